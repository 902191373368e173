#pragma once

#include <QByteArray>
#include <QString>

struct TXmlDecoded {
  QByteArray utf8; // the document re-encoded, its declaration saying UTF-8
  QString error;   // why the bytes could not be decoded
};

// Decodes a feed by its byte-order mark, else by the encoding its XML
// declaration names, else by the charset the server named, else as UTF-8 when
// it is valid UTF-8 and as Windows-1251 when not, and hands it over as UTF-8. Decoding here
// rather than in the parser lets Windows-1251 byte 0x98 through (iconv has no
// character for it) and makes a byte sequence that is wrong for the declared
// encoding an error instead of silent garbage.
TXmlDecoded DecodeXml(const QByteArray &bytes, const QByteArray &serverCharset = {});
