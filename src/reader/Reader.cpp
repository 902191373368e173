// Which site and category the reader shows, and refreshing it on the
// interval, on a change of tab or category and after the filter.
#include "reader/Reader.h"

#include "settings/SiteCatalogue.h"

#include <QFile>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kDocument = u"Документ"_s;

} // namespace

TReader::TReader(TReaderHooks hooks, QString archiveTemplate, QString archiveItemTemplate,
                 QObject *parent)
    : QObject(parent), FHooks(std::move(hooks)), FArchiveTemplate(std::move(archiveTemplate)),
      FArchiveItemTemplate(std::move(archiveItemTemplate)) {}

void TReader::report(TStatusKind kind, const QString &title, const QString &text) {
  if (!closing())
    Q_EMIT statusReported(kind, title, text);
}

void TReader::sound(TEventSoundId id) {
  if (!closing())
    Q_EMIT soundRequested(id);
}

const TRSSItemData *TReader::site(int tab) const {
  return FSites.value(tab);
}

QString TReader::categoryAddress() const {
  const TRSSItemData *chosen = site(FView.tab);
  return FView.category < 0 || !chosen ? QString() : chosen->RSSURLs.value(FView.category);
}

void TReader::rebuildSites(const TSiteCatalogue *sites, int chosen) {
  clearView();
  FView.categories.clear();
  FView.category = -1;
  FSites.clear();
  FView.sites.clear();
  for (int i = 0; sites && i < sites->count(); ++i) {
    FView.sites.append(sites->title(i));
    FSites.append(sites->record(i));
  }
  if (FView.sites.isEmpty()) {
    FView.sites.append(u"unknow"_s);
    FSites.append(nullptr);
  }
  // The site the settings window has chosen stays the one on screen.
  FView.tab = std::clamp(chosen, 0, int(FSites.size()) - 1);
  openSite(FView.tab);
}

// Nothing on screen changes: the sites the catalogue gained join the tabs,
// and the feeds the chosen site gained join its category menu.
void TReader::sitesAdded(const TSiteCatalogue *sites) {
  for (int i = int(FSites.size()); sites && i < sites->count(); ++i) {
    FView.sites.append(sites->title(i));
    FSites.append(sites->record(i));
  }
  const TRSSItemData *chosen = site(FView.tab);
  for (int j = int(FView.categories.size()); FStarted && chosen && j < chosen->RSSURLs.size(); ++j)
    FView.categories.append(chosen->RSSNames.value(j));
  changed();
}

void TReader::start(int savedTab) {
  FStarted = true;
  // A tab chosen before this show was never loaded; one restored is now.
  if (savedTab > 0 && savedTab < FSites.size())
    FView.tab = savedTab;
  openSite(FView.tab);
}

void TReader::chooseSite(int tab) {
  if (tab == FView.tab || tab < 0 || tab >= FSites.size())
    return changed(); // the menus' ticks say again which one it is
  FView.tab = tab;
  openSite(tab);
}

void TReader::openSite(int tab) {
  if (closing())
    return;
  FView.archiveTab = tab == 0;
  FView.archiveOn = false;
  if (!FStarted)
    return changed();
  if (FHooks.shown())
    clearWatchMark(tab);
  clearView();
  FView.categories.clear();
  FView.category = -1;
  if (const TRSSItemData *chosen = site(tab)) {
    for (int j = 0; j < chosen->RSSURLs.size(); ++j)
      FView.categories.append(chosen->RSSNames.value(j));
    if (FOpeningCategory < FView.categories.size())
      FView.category = FOpeningCategory;
  }
  FCurrentItem = 0;
  if (tab > 0) {
    refreshNow();
  } else {
    LoadFeedHeader();
    ShowFeedItem(0);
  }
  changed();
}

void TReader::chooseCategory(int position) {
  if (closing())
    return;
  FView.category = position >= 0 && position < FView.categories.size() ? position : -1;
  reloadCategory();
}

void TReader::reloadCategory() {
  // The item of the category left behind must not stay under the new one,
  // nor its items in the jump list.
  clearView();
  if (FView.tab < 1) {
    LoadFeedHeader();
    ShowFeedItem(0);
  } else {
    refreshNow();
  }
  changed();
}

void TReader::refreshNow() {
  if (closing())
    return;
  refresh();
  if (!closing())
    Q_EMIT intervalRestarted();
}

void TReader::refresh() {
  if (closing() || FView.tab < 1)
    return;
  // A refresh asked for while one is under way (a bus call answered while it
  // waits) follows it instead of running inside it.
  if (FRefreshing) {
    FRefreshAgain = true;
    return;
  }
  FRefreshing = true;
  do {
    FRefreshAgain = false;
    refreshSelectedFeed();
  } while (FRefreshAgain && !closing());
  FRefreshing = false;
  changed();
}

// Every wait in here (the transfer, a sound) may end with the window closed;
// the refresh stops after any that did.
void TReader::refreshSelectedFeed() {
  const QString url = categoryAddress();
  if (FView.tab < 1 || url.isEmpty())
    return;
  const QString file = FeedFileName(FView.tab, url);
  switch (fetch(url, file, true, TDownloadPurpose::Feed)) {
  case TFetched::Usable:
    break;
  case TFetched::Offline:
    report(TStatusKind::Warning, kDocument, url + u"\rНет подключения к Internet.\rСписок пуст."_s);
    sound(TEventSoundId::NoConnection);
    return;
  case TFetched::Failed:
    return showKeptCopy(url, file);
  }
  if (closing())
    return;
  if (!QFile::exists(file)) {
    report(TStatusKind::Information, kDocument, u"Список пуст."_s);
    sound(TEventSoundId::ListEmpty);
    return;
  }
  keepReadersPlace();
  if (closing())
    return;
  FFilterChanged = false;
  LoadFeedHeader();
  if (!closing())
    ShowFeedItem(FCurrentItem);
}

// The connection works but the board did not deliver: the copy of this
// address kept from an earlier download is shown with its own date in the
// header, never as news, and the last line says what failed.
void TReader::showKeptCopy(const QString &url, const QString &file) {
  if (closing())
    return;
  bool shown = false;
  if (HoldsCopyOf(file, WithHttpScheme(url)) && LoadFeedHeader() && !closing()) {
    FFilterChanged = false;
    ShowFeedItem(FCurrentItem);
    shown = true;
  }
  report(TStatusKind::Warning, kDocument,
         url + u"\rНе удалось получить удаленный файл."_s +
             (shown ? QString() : u"\rСписок пуст."_s));
  sound(TEventSoundId::NoConnection);
}

// After a timed refresh the item on screen stays on screen, wherever the
// board has moved it, when the user asked for that.
void TReader::keepReadersPlace() {
  if (!FHooks.options().keepItemPosition || FView.item.link.isEmpty() || FFilterChanged)
    return;
  if (const int position = FindItemPosition(FView.item.link); position >= 0) {
    FCurrentItem = position;
    return;
  }
  FCurrentItem = 0;
  if (!FFilterTicked) {
    report(TStatusKind::Information, kDocument, u"Элемент не найден."_s);
    sound(TEventSoundId::ItemMissing);
  }
}
