#include "persist/StoredValue.h"

#include "platform/Codepage.h"
#include "platform/SaveFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

const QString kReference = u"file::"_s;

struct TEscape {
  QChar character;
  QString stored;
};

// In this order both ways, as the Windows program has always applied them.
const TEscape kEscapes[] = {
    {u'\r', u"<\"13\">"_s},
    {u'\n', u"<\"10\">"_s},
    {u' ', u"<\"32\">"_s},
};

// The Windows program's text is bytes of its code page; these are the same bytes.
unsigned byteAt(const QByteArray &bytes, qsizetype position) {
  return position < bytes.size() ? static_cast<unsigned char>(bytes[position]) : 0u;
}

// An INI line gives back a value without its surrounding blanks and without one
// pair of quotes around it.
bool survivesIniLine(const QString &text) {
  if (text.isEmpty())
    return true;
  const auto blank = [](QChar c) { return c == u'\t' || c == u'\v' || c == u'\f'; };
  if (blank(text.front()) || blank(text.back()))
    return false;
  const bool quoted = text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') &&
                      text.back() == text.front();
  return !quoted;
}

// Text that an INI line cannot carry as it is goes to a side file: text beginning
// like a reference would otherwise read back as one, and quotes or blanks around it
// would be lost.
bool needsSideFile(const QString &text, const TStoredValueOptions &options) {
  return options.Crypt || TCodepage::toCp1251(text).size() > kStoredValueSpillLimit ||
         text.startsWith(kReference) || !survivesIniLine(text);
}

QString sideFilePath(const TStoredValueOptions &options, const QString &name) {
  return QDir(options.Folder).filePath(name + u".txt"_s);
}

bool writeSideFile(const QString &path, const QString &text, QString *error) {
  QSaveFile file(path);
  const QByteArray bytes = TCodepage::toCp1251(text) + "\r\n";
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
      CommitSaveFile(file, "side", bytes))
    return true;
  if (error)
    *error = file.errorString();
  return false;
}

// The lines of the file joined with nothing between them; a missing file is empty.
bool readSideFile(const QString &path, QString &text, QString *error) {
  QFile file(path);
  if (!file.exists()) {
    text.clear();
    return true;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    if (error)
      *error = file.errorString();
    return false;
  }
  QByteArray bytes = file.readAll();
  bytes.removeIf([](char c) { return c == '\r' || c == '\n'; });
  text = TCodepage::fromCp1251(bytes);
  return true;
}

// A group of three characters as the Windows program read it: an optional sign,
// then decimal digits.
std::optional<int> groupValue(QStringView group) {
  bool ok = false;
  const int value = group.toInt(&ok, 10);
  const bool plain = !group.front().isSpace() && !group.back().isSpace();
  return ok && plain ? std::optional<int>(value) : std::nullopt;
}

} // namespace

QString EscapeStoredValue(const QString &value) {
  QString text = value;
  for (const TEscape &escape : kEscapes)
    text.replace(escape.character, escape.stored);
  return text;
}

QString UnescapeStoredValue(const QString &stored) {
  QString text = stored;
  for (const TEscape &escape : kEscapes)
    text.replace(escape.stored, escape.character);
  return text;
}

bool EncodeStoredValue(const QString &namingText, const QString &value,
                       const TStoredValueOptions &options, QString &stored, QString *error) {
  QString text = EscapeStoredValue(value);
  if (options.Crypt)
    text = ScrambleValue(text, options.CryptKey);
  if (!needsSideFile(text, options)) {
    stored = text;
    return true;
  }
  const QString name = SideFileName(namingText);
  if (!writeSideFile(sideFilePath(options, name), text, error))
    return false;
  stored = kReference + name;
  return true;
}

bool DecodeStoredValue(const QString &stored, const TStoredValueOptions &options, QString &value,
                       QString *error) {
  QString text = stored;
  if (stored.startsWith(kReference)) {
    const QString name = stored.sliced(kReference.size());
    // A hand-edited file must not lead the program outside its own folder.
    if (!IsSafeSideFileName(name))
      text.clear();
    else if (!readSideFile(sideFilePath(options, name), text, error))
      return false;
  }
  if (options.Crypt) {
    const std::optional<QString> plain = UnscrambleValue(text, options.CryptKey);
    if (!plain) {
      if (error)
        *error = u"The stored value is not scrambled text"_s;
      return false;
    }
    text = *plain;
  }
  value = UnescapeStoredValue(text);
  return true;
}

QString ScrambleValue(const QString &text, const QString &key) {
  if (key.isEmpty())
    return text;
  const QByteArray bytes = TCodepage::toCp1251(text);
  const QByteArray keyBytes = TCodepage::toCp1251(key);
  QString scrambled;
  scrambled.reserve(bytes.size() * 3);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const unsigned sum = byteAt(bytes, i) + byteAt(keyBytes, i % keyBytes.size());
    scrambled += QString::number(sum).rightJustified(3, u'0');
  }
  return scrambled;
}

std::optional<QString> UnscrambleValue(const QString &text, const QString &key) {
  if (key.isEmpty())
    return text;
  const QByteArray keyBytes = TCodepage::toCp1251(key);
  QByteArray bytes;
  bytes.reserve(text.size() / 3);
  for (qsizetype group = 0; (group + 1) * 3 <= text.size(); ++group) {
    const std::optional<int> value = groupValue(QStringView(text).sliced(group * 3, 3));
    if (!value)
      return std::nullopt;
    const int code = *value - static_cast<int>(byteAt(keyBytes, group % keyBytes.size()));
    bytes.append(static_cast<char>(code & 0xFF));
  }
  return TCodepage::fromCp1251(bytes);
}

qint32 SideFileNumber(const QString &namingText) {
  const QByteArray bytes = TCodepage::toCp1251(namingText);
  const qsizetype length = bytes.size();
  quint32 hash = 0;
  if (length < 16) {
    for (qsizetype position = 1; position <= length; ++position)
      hash = hash * 37u + byteAt(bytes, position);
  } else {
    const qsizetype step = length / 8;
    for (qsizetype position = 1, left = length - 1; left >= 0; left -= step, position += step)
      hash = hash * 39u + byteAt(bytes, position);
  }
  return static_cast<qint32>(hash);
}

QString SideFileName(const QString &namingText) {
  const QByteArray digest =
      QCryptographicHash::hash(namingText.toUtf8(), QCryptographicHash::Sha1).toHex();
  return QString::number(SideFileNumber(namingText)) + u'-' + QString::fromLatin1(digest.left(16));
}

bool IsSafeSideFileName(const QString &name) {
  return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') &&
         !name.contains(u".."_s) && !name.contains(QChar(0));
}
