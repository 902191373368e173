#include "feeds/XmlDecoding.h"

#include "platform/Codepage.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {

struct TEncoding {
  QByteArray name; // lower case
  qsizetype bomLength = 0;
};

TEncoding byteOrderMark(const QByteArray &bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF"))
    return {"utf-8", 3};
  // Before UTF-16: the UTF-32 marks begin with the UTF-16 ones.
  if (bytes.startsWith(QByteArrayLiteral("\xFF\xFE\0\0")))
    return {"utf-32le", 4};
  if (bytes.startsWith(QByteArrayLiteral("\0\0\xFE\xFF")))
    return {"utf-32be", 4};
  if (bytes.startsWith(QByteArrayLiteral("<\0\0\0")))
    return {"utf-32le", 0};
  if (bytes.startsWith(QByteArrayLiteral("\0\0\0<")))
    return {"utf-32be", 0};
  if (bytes.startsWith("\xFF\xFE"))
    return {"utf-16le", 2};
  if (bytes.startsWith("\xFE\xFF"))
    return {"utf-16be", 2};
  if (bytes.startsWith(QByteArrayLiteral("<\0?\0")))
    return {"utf-16le", 0};
  if (bytes.startsWith(QByteArrayLiteral("\0<\0?")))
    return {"utf-16be", 0};
  return {};
}

const QRegularExpression &declarationPattern() {
  static const QRegularExpression pattern(
      QStringLiteral(R"(^\s*<\?xml\s[^>]*?encoding\s*=\s*(["'])([^"']*)\1)"));
  return pattern;
}

QByteArray declaredEncoding(const QByteArray &bytes) {
  // The declaration is ASCII in every encoding we read this way.
  const QString head = QString::fromLatin1(bytes.left(512));
  const auto match = declarationPattern().match(head);
  return match.hasMatch() ? match.captured(2).trimmed().toLower().toLatin1() : QByteArray();
}

bool isWindows1251(const QByteArray &name) {
  return name == "windows-1251" || name == "cp1251" || name == "x-cp1251" || name == "win-1251";
}

// The parser is told the text is UTF-8; the declaration must not say otherwise.
QString withUtf8Declaration(QString text) {
  const auto match = declarationPattern().match(text);
  if (match.hasMatch())
    text.replace(match.capturedStart(2), match.capturedLength(2), QStringLiteral("UTF-8"));
  return text;
}

} // namespace

TXmlDecoded DecodeXml(const QByteArray &bytes, const QByteArray &serverCharset, bool checkUtf8) {
  TXmlDecoded decoded;
  TEncoding encoding = byteOrderMark(bytes);
  if (encoding.name.isEmpty())
    encoding.name = declaredEncoding(bytes);
  // A server names whatever its configuration says; a name nobody knows is
  // no information about the document.
  if (const QByteArray charset = serverCharset.trimmed().toLower();
      encoding.name.isEmpty() &&
      (isWindows1251(charset) || QStringDecoder(charset.constData()).isValid()))
    encoding.name = charset;
  if (encoding.name.isEmpty()) {
    if (!checkUtf8 || QByteArrayView(bytes).isValidUtf8()) {
      decoded.utf8 = bytes;
      decoded.unchecked = !checkUtf8;
      return decoded;
    }
    // Undeclared, a document that is not UTF-8 is most likely a Russian
    // board's, written in the Windows code page.
    encoding.name = "windows-1251";
  }
  const QByteArray body = bytes.mid(encoding.bomLength);
  // Most feeds are UTF-8 already: they go to the parser as they are.
  if (encoding.name == "utf-8" || encoding.name == "utf8") {
    decoded.unchecked = !checkUtf8;
    if (checkUtf8 && !QByteArrayView(body).isValidUtf8()) {
      decoded.error = QStringLiteral("Invalid utf-8 byte sequence");
      return decoded;
    }
    decoded.utf8 = body;
    return decoded;
  }
  QString text;
  if (isWindows1251(encoding.name)) {
    text = TCodepage::fromCp1251(body);
  } else {
    QStringDecoder decoder(encoding.name.constData());
    if (!decoder.isValid()) {
      decoded.error =
          QStringLiteral("Unsupported encoding: %1").arg(QString::fromLatin1(encoding.name));
      return decoded;
    }
    text = decoder.decode(body);
    if (decoder.hasError()) {
      decoded.error =
          QStringLiteral("Invalid %1 byte sequence").arg(QString::fromLatin1(encoding.name));
      return decoded;
    }
  }
  decoded.utf8 = withUtf8Declaration(std::move(text)).toUtf8();
  return decoded;
}
