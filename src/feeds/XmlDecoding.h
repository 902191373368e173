#pragma once

#include <QByteArray>
#include <QString>

struct TXmlDecoded {
  QByteArray utf8; // the document re-encoded, its declaration saying UTF-8
  QString error;   // why the bytes could not be decoded
  bool unchecked = false; // taken as UTF-8 without a check
};

// Decodes a feed by its byte-order mark, else by the encoding its XML
// declaration names, else by the charset the server named, else as UTF-8 when
// it is valid UTF-8 and as Windows-1251 when not, and hands it over as UTF-8.
// Decoding here rather than in the parser lets Windows-1251 byte 0x98 through
// (iconv has no character for it) and makes a byte sequence that is wrong for
// the declared encoding an error instead of silent garbage.
//
// Unless `checkUtf8`, a document taken as UTF-8 is handed over unchecked: the
// parser checks every character as it reads, so a well-formed feed costs no
// pass of its own. Should reading it fail, decoding again with the check
// tells bytes that are not UTF-8 from a document that is only broken.
TXmlDecoded DecodeXml(const QByteArray &bytes, const QByteArray &serverCharset = {},
                      bool checkUtf8 = true);
