#include "app/DownloadRules.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdlib>

bool IsFreshCopy(const QString &fileName, const QDateTime &modified, const QDateTime &now,
                 int intervalMinutes) {
  if (fileName.contains(u"zentara.html"))
    return false;
  const qint64 age = std::llabs(modified.msecsTo(now));
  const qint64 interval = qint64(intervalMinutes) * 60000;
  return interval >= age;
}

QString WithHttpScheme(const QString &url) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
  const QString address = url.trimmed();
  if (scheme.match(address).hasMatch())
    return address;
  return u"http://" + address;
}

QDateTime ZeroDateTime() {
  return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

QDateTime GetFileModified(const QString &fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return ZeroDateTime();
  return file.fileTime(QFileDevice::FileModificationTime).toLocalTime();
}
