#include "feeds/ServerCharset.h"

#include "platform/SaveFile.h"

#include <QFile>
#include <QSaveFile>

namespace {

// Nobody names a charset longer; anything longer in the record is not one.
constexpr qint64 kLongestCharset = 64;

bool isAsciiWhitespace(char c) {
  return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

} // namespace

QByteArray CharsetInContentType(const QByteArray &contentType) {
  const QByteArray &content = contentType;
  qsizetype at = 0;
  while ((at = content.indexOf("charset", at)) >= 0) {
    at += 7;
    while (at < content.size() && isAsciiWhitespace(content[at]))
      ++at;
    if (at < content.size() && content[at] == '=')
      break;
  }
  if (at < 0)
    return {};
  ++at;
  while (at < content.size() && isAsciiWhitespace(content[at]))
    ++at;
  if (at >= content.size())
    return {};
  if (const char quote = content[at]; quote == '"' || quote == '\'') {
    const qsizetype end = content.indexOf(quote, at + 1);
    return end < 0 ? QByteArray() : content.mid(at + 1, end - at - 1);
  }
  qsizetype end = at;
  while (end < content.size() && !isAsciiWhitespace(content[end]) && content[end] != ';')
    ++end;
  return content.mid(at, end - at);
}

QString ServerCharsetRecordName(const QString &fileName) {
  return fileName + QStringLiteral(".charset");
}

bool RecordServerCharset(const QString &fileName, const QByteArray &contentType) {
  const QByteArray charset = CharsetInContentType(contentType.toLower()).left(kLongestCharset);
  const QString name = ServerCharsetRecordName(fileName);
  if (charset.isEmpty())
    return !QFile::exists(name) || QFile::remove(name);
  QSaveFile record(name);
  return record.open(QIODevice::WriteOnly) && record.write(charset) == charset.size() &&
         CommitSaveFile(record, "charset", charset);
}

QByteArray RecordedServerCharset(const QString &fileName) {
  QFile record(ServerCharsetRecordName(fileName));
  if (!record.open(QIODevice::ReadOnly))
    return {};
  return record.read(kLongestCharset);
}
