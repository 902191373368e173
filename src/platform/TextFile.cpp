#include "platform/TextFile.h"

#include "platform/Codepage.h"
#include "platform/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <limits>

void EnsureFile(const QString &fileName) {
  const QFileInfo info(fileName);
  QDir().mkpath(info.absolutePath());
  if (!info.exists()) {
    QFile file(fileName);
    file.open(QIODevice::WriteOnly);
  }
}

// Only the folder is made beforehand: an empty file created first would be
// what a crash or a full disk leaves where there was none.
bool WriteTextFile(const QString &fileName, const QString &text) {
  QDir().mkpath(QFileInfo(fileName).absolutePath());
  QSaveFile file(fileName);
  const QByteArray bytes = TCodepage::toCp1251(text);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
         CommitSaveFile(file, "text", bytes);
}

QString ReadTextFile(const QString &fileName) {
  EnsureFile(fileName);
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  const QString text = TCodepage::fromCp1251(file.readAll());
  QString result;
  result.reserve(text.size() + text.size() / 16);
  qsizetype lineStart = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n')
      continue;
    result += QStringView(text).sliced(lineStart, i - lineStart) + u"\r\n";
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
      ++i;
    lineStart = i + 1;
  }
  if (lineStart < text.size())
    result += QStringView(text).sliced(lineStart) + u"\r\n";
  return result;
}

int StrToIntSafe(const QString &text) {
  // Leading blanks and a sign are accepted, as the stored values of the
  // Windows program may carry them; anything else that is not a decimal
  // number in the 32-bit range reads as 0.
  QStringView digits = QStringView(text);
  while (!digits.isEmpty() && digits.front().isSpace())
    digits = digits.sliced(1);
  bool ok = false;
  const qlonglong value = digits.toLongLong(&ok, 10);
  if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
    return 0;
  return static_cast<int>(value);
}
