#pragma once

#include <QByteArray>
#include <QString>

// The charset named in a Content-Type value such as
// "text/xml; charset=windows-1251", as HTML reads it (also in a page's meta
// element), or an empty array. `contentType` is in lower case.
QByteArray CharsetInContentType(const QByteArray &contentType);

// A document that names no encoding of its own is read in the charset its
// server named, so that charset is kept beside the downloaded file, as
// "<file>.charset". Records it for the file just downloaded, or removes the
// record when the server named none; false when that could not be done.
bool RecordServerCharset(const QString &fileName, const QByteArray &contentType);
// The charset recorded for the file, or an empty array.
QByteArray RecordedServerCharset(const QString &fileName);
QString ServerCharsetRecordName(const QString &fileName);
