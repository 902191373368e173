#include "feeds/SeenItems.h"

#include "platform/DataFolder.h"
#include "platform/SaveFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

// One key a line: a line break inside one would split it in two.
QString oneLine(QString text) {
  return text.replace(u'\r', u' ').replace(u'\n', u' ').trimmed();
}

} // namespace

QString SeenItemKey(const TFeedItem &item) {
  for (const QString &key : {item.link(), item.raw(TFeedItem::Id).trimmed()}) {
    if (const QString line = oneLine(key); !line.isEmpty())
      return line;
  }
  return oneLine(item.title());
}

QString WatchFileName(const QString &address, const QString &suffix) {
  const QByteArray hash = QCryptographicHash::hash(address.toUtf8(), QCryptographicHash::Sha1);
  return TDataFolder::file(u"xml/watch/"_s + QString::fromLatin1(hash.toHex()) + suffix);
}

QString TSeenItems::fileName(const QString &address) {
  return WatchFileName(address, u".seen"_s);
}

void TSeenItems::load() {
  FKeys.clear();
  FCheckedBefore = false;
  QFile file(fileName(FAddress));
  if (!file.open(QIODevice::ReadOnly))
    return;
  // The address heads the file, so that a file is never taken for another's.
  QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
  if (lines.isEmpty() || lines.takeFirst() != FAddress)
    return;
  lines.removeAll(QString());
  FKeys = lines.mid(qMax<qsizetype>(0, lines.size() - kMaxSeen));
  FCheckedBefore = true;
}

QList<qsizetype> TSeenItems::takeNew(const TFeedContent &feed) {
  const QSet<QString> seen(FKeys.cbegin(), FKeys.cend());
  QList<qsizetype> fresh;
  QStringList listed;
  QSet<QString> listedSet;
  for (qsizetype i = 0; i < feed.items.size(); ++i) {
    const QString key = SeenItemKey(feed.items[i]);
    if (key.isEmpty() || listedSet.contains(key))
      continue;
    listedSet.insert(key);
    listed.append(key);
    if (FCheckedBefore && !seen.contains(key))
      fresh.append(i);
  }
  // Older keys first, then the feed's own, so that trimming drops the keys
  // that went longest unlisted.
  QStringList kept;
  for (const QString &key : std::as_const(FKeys))
    if (!listedSet.contains(key))
      kept.append(key);
  kept += listed;
  FKeys = kept.mid(qMax<qsizetype>(0, kept.size() - kMaxSeen));
  FCheckedBefore = true;
  return fresh;
}

bool TSeenItems::save() const {
  const QString name = fileName(FAddress);
  if (!QDir().mkpath(QFileInfo(name).path()))
    return false;
  const QByteArray bytes = (QStringList{FAddress} + FKeys).join(u'\n').toUtf8() + '\n';
  QSaveFile file(name);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
         CommitSaveFile(file, "seen", bytes);
}
