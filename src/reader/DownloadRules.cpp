#include "reader/DownloadRules.h"

#include "feeds/ServerCharset.h"
#include "platform/SaveFile.h"
#include "zentara/ZentaraPage.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdlib>

namespace {

constexpr int kWindowWaitSeconds = 60;

bool takeServerCharset(const QString &source, const QString &fileName) {
  const QByteArray charset = RecordedServerCharset(source);
  return RecordServerCharset(fileName, charset.isEmpty() ? QByteArray() : "; charset=" + charset);
}

} // namespace

THttpOptions DownloadOptionsFor(TDownloadPurpose purpose) {
  THttpOptions options;
  options.totalTimeoutSeconds = kWindowWaitSeconds;
  if (purpose == TDownloadPurpose::SidePanelPage) {
    options.maxBytes = kZentaraMaxPageBytes;
    options.keepHttps = true;
  }
  return options;
}

bool IsFreshCopy(const QDateTime &modified, const QDateTime &now, int intervalMinutes) {
  const qint64 age = std::llabs(modified.msecsTo(now));
  const qint64 interval = qint64(intervalMinutes) * 60000;
  return interval >= age;
}

bool IsFreshFor(const QString &fileName, const QString &address, const QDateTime &now,
                int intervalMinutes) {
  return HoldsCopyOf(fileName, address) &&
         IsFreshCopy(GetFileModified(fileName), now, intervalMinutes);
}

bool HoldsCopyOf(const QString &fileName, const QString &address) {
  if (!QFileInfo::exists(fileName))
    return false;
  // Qt holds a null string equal to an empty one; a missing record must not
  // match an empty address.
  const QString recorded = RecordedSource(fileName);
  return !recorded.isEmpty() && recorded == address;
}

bool TakeNewerCopy(const QString &source, const QString &fileName, const QString &address) {
  const QFileInfo newer(source);
  if (!newer.exists() || (HoldsCopyOf(fileName, address) &&
                          QFileInfo(fileName).lastModified() >= newer.lastModified()))
    return false;
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly))
    return false;
  const QByteArray bytes = in.readAll();
  // No moment may leave a record of another address vouching for this content.
  if (RecordedSource(fileName) != address)
    QFile::remove(SourceRecordName(fileName));
  QSaveFile copy(fileName);
  if (!(copy.open(QIODevice::WriteOnly) && copy.write(bytes) == bytes.size() &&
        CommitSaveFile(copy, "copy", bytes)))
    return false;
  // Unrecorded, a copy that would pass for one fetched just now is never fresh.
  QFile taken(fileName);
  return takeServerCharset(source, fileName) && taken.open(QIODevice::ReadOnly) &&
         taken.setFileTime(newer.lastModified(), QFileDevice::FileModificationTime) &&
         RecordSource(fileName, address);
}

QString SourceRecordName(const QString &fileName) {
  return fileName + QStringLiteral(".src");
}

QString RecordedSource(const QString &fileName) {
  QFile record(SourceRecordName(fileName));
  if (!record.open(QIODevice::ReadOnly))
    return {};
  return QString::fromUtf8(record.readAll());
}

bool RecordSource(const QString &fileName, const QString &address) {
  QSaveFile record(SourceRecordName(fileName));
  const QByteArray bytes = address.toUtf8();
  return record.open(QIODevice::WriteOnly) && record.write(bytes) == bytes.size() &&
         CommitSaveFile(record, "source", bytes);
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
