#include "settings/CatalogueTransfer.h"

#include "feeds/Opml.h"
#include "platform/SaveFile.h"
#include "settings/SiteCatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace {

// What one entry of the catalogue file holds; the file is shared with the
// program's Windows ancestry and keeps its limit.
constexpr int kMaxText = 255;

// The same feed, however the file spelt its scheme and host: those two parts
// of an address are case-blind. Everything else is compared as written, since
// a path or a query may well tell two feeds apart by case alone.
QString addressKey(const QString &address) {
  static const QRegularExpression start(u"^[A-Za-z][A-Za-z0-9+.-]*://(?:[^/?#@]*@)?([^/?#]*)"_s);
  QString key = address.trimmed();
  if (const auto match = start.match(key); match.hasMatch()) {
    key.replace(0, key.indexOf(u':'), key.left(key.indexOf(u':')).toLower());
    key.replace(match.capturedStart(1), match.capturedLength(1), match.captured(1).toLower());
  }
  return key;
}

// The settings window knows the archive by its title and locks every site
// that bears it: a folder of that name from another reader would become a
// site the user could neither edit nor remove.
QString siteNameOf(const TOpmlFeed &feed, const QString &topName) {
  const QString name = feed.folders.isEmpty() ? topName : feed.folders.join(u" / "_s);
  return (name == u"Архив"_s ? name + u" (импорт)"_s : name).left(kMaxText);
}

// The catalogue's extent before an import: how many sites, and how many feeds
// each held. An import only ever appends, so this is all it takes to undo one.
struct TCatalogueExtent {
  int sites = 0;
  QList<qsizetype> feeds;
};

TCatalogueExtent extentOf(const TSiteCatalogue &sites) {
  TCatalogueExtent extent;
  extent.sites = sites.count();
  for (int i = 0; i < sites.count(); ++i)
    extent.feeds << sites.record(i)->RSSURLs.size();
  return extent;
}

// Back to that extent, the records kept: the tabs still point at them.
void undoImport(TSiteCatalogue &sites, const TCatalogueExtent &extent) {
  while (sites.count() > extent.sites)
    sites.remove(sites.count() - 1);
  for (int i = 0; i < extent.sites; ++i) {
    for (QStringList *list : {&sites.record(i)->RSSNames, &sites.record(i)->RSSURLs})
      list->resize(std::min(list->size(), extent.feeds[i]));
  }
}

QList<TOpmlFolder> foldersOf(const TSiteCatalogue &sites) {
  QList<TOpmlFolder> folders;
  for (int i = 1; i < sites.count(); ++i) {
    const TRSSItemData *record = sites.record(i);
    TOpmlFolder folder{sites.title(i), {}};
    for (qsizetype j = 0; j < record->RSSURLs.size(); ++j) {
      // A feed without an address is a row the user has yet to fill in.
      if (!record->RSSURLs[j].trimmed().isEmpty())
        folder.feeds.append({record->RSSNames.value(j), record->RSSURLs[j].trimmed()});
    }
    folders << folder;
  }
  return folders;
}

QString shown(const QString &file) {
  return QDir::toNativeSeparators(file);
}

} // namespace

TImportSummary ImportOpml(TSiteCatalogue &sites, const TOpmlDocument &document) {
  TImportSummary summary;
  QSet<QString> known;
  for (int i = 0; i < sites.count(); ++i) {
    for (const QString &address : sites.record(i)->RSSURLs)
      known.insert(addressKey(address));
  }
  const QString title = document.title.trimmed();
  const QString topName = title.isEmpty() ? u"Импорт"_s : title;
  std::map<QString, TRSSItemData *> targets;
  for (const TOpmlFeed &feed : document.feeds) {
    const QString address = feed.address.trimmed();
    if (address.size() > kMaxText) {
      ++summary.skipped;
      ++summary.unstorable;
      continue;
    }
    if (address.isEmpty() || known.contains(addressKey(address))) {
      ++summary.skipped;
      continue;
    }
    known.insert(addressKey(address));
    const QString siteName = siteNameOf(feed, topName);
    TRSSItemData *&target = targets[siteName];
    for (int i = 1; !target && i < sites.count(); ++i) {
      if (sites.title(i) == siteName)
        target = sites.record(i);
    }
    if (!target) {
      target = sites.append(siteName);
      ++summary.sites;
    }
    AppendFeed(*target, feed.name, address);
    ++summary.feeds;
  }
  return summary;
}

QByteArray ExportOpml(const TSiteCatalogue &sites) {
  return WriteOpml(u"Vornix"_s, foldersOf(sites));
}

bool ImportOpmlFile(TSiteCatalogue &sites, const QString &opmlFile, const QString &catalogueFile,
                    QString *message) {
  QString ignored;
  QString &says = message ? *message : ignored;
  QFile file(opmlFile);
  if (QFileInfo(opmlFile).size() > kOpmlMaxBytes) {
    says = u"Файл %1 больше 10 МБ: это не список лент"_s.arg(shown(opmlFile));
    return false;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    says = u"Не удалось прочитать файл %1"_s.arg(shown(opmlFile));
    return false;
  }
  // A file that grows while it is read is cut just past the cap, which
  // ReadOpml then refuses.
  const TOpmlReadResult read = ReadOpml(file.read(kOpmlMaxBytes + 1));
  if (file.error() != QFileDevice::NoError) {
    says = u"Не удалось прочитать файл %1"_s.arg(shown(opmlFile));
    return false;
  }
  if (!read.ok) {
    says = read.error;
    return false;
  }
  const TCatalogueExtent before = extentOf(sites);
  const TImportSummary summary = ImportOpml(sites, read.document);
  // A file brought in twice is no failure the second time: there is simply
  // nothing left to add, and nothing is written.
  if (summary.feeds == 0 && summary.unstorable == 0) {
    says = u"Новых лент нет: все ленты файла уже есть в списке сайтов"_s;
    return true;
  }
  if (summary.feeds == 0) {
    says = u"Новых лент нет; адресов длиннее 255 символов пропущено: %1"_s.arg(summary.unstorable);
    return false;
  }
  if (QString error; !SaveSites(sites, catalogueFile, &error)) {
    undoImport(sites, before);
    says = error;
    return false;
  }
  says = u"Импортировано лент: %1, новых сайтов: %2"_s.arg(summary.feeds).arg(summary.sites);
  if (summary.skipped > 0)
    says += u", пропущено: %1"_s.arg(summary.skipped);
  return true;
}

bool ExportOpmlFile(const TSiteCatalogue &sites, const QString &opmlFile, QString *message) {
  QString ignored;
  QString &says = message ? *message : ignored;
  const QList<TOpmlFolder> folders = foldersOf(sites);
  qsizetype feeds = 0;
  for (const TOpmlFolder &folder : folders)
    feeds += folder.feeds.size();
  // A file without a feed is one that no reader, this one included, would
  // take: better said now than found out on the other side.
  if (feeds == 0) {
    says = u"Нечего экспортировать: в списке сайтов нет ни одной ленты"_s;
    return false;
  }
  const QByteArray bytes = WriteOpml(u"Vornix"_s, folders);
  QSaveFile file(opmlFile);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
      !CommitSaveFile(file, "opml", bytes)) {
    says = u"Не удалось записать файл %1"_s.arg(shown(opmlFile));
    return false;
  }
  says = u"Экспортировано лент: %1 (сайтов: %2) в %3"_s.arg(feeds)
             .arg(folders.size())
             .arg(shown(opmlFile));
  return true;
}
