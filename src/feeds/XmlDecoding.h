#pragma once

#include <QByteArray>
#include <QString>

struct TXmlDecoded {
  QByteArray utf8; // the document re-encoded, its declaration saying UTF-8
  QString error;   // why the bytes could not be decoded
};

// Decodes an XML document by its byte-order mark, else by the encoding its
// declaration names, else as UTF-8, and hands it over as UTF-8. Decoding here
// rather than in the parser lets Windows-1251 byte 0x98 through (iconv has no
// character for it) and makes a byte sequence that is wrong for the declared
// encoding an error instead of silent garbage.
TXmlDecoded DecodeXml(const QByteArray &bytes);
