#pragma once

#include "feeds/Archive.h"
#include "feeds/FeedDocument.h"
#include "feeds/FeedWalk.h"
#include "feeds/KeywordFilter.h"
#include "reader/DownloadRules.h"
#include "reader/Outcomes.h"
#include "settings/RSSItemData.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>

class TSiteCatalogue;
struct TWatchedFeed;
struct TWatchResult;

// Everything the main window shows of the reading, as one value: the window
// draws it and keeps nothing of its own.
struct TReaderView {
  QStringList sites; // the tab strip and both "Источник"/"Сайт" menus
  int tab = 0;
  QStringList categories; // both "Категория" menus
  int category = -1;      // the ticked one
  QString feedTitle, feedLink, feedInfo;
  bool itemShown = false;
  TArchiveItem item;
  bool backOn = false, nextOn = false, archiveOn = false;
  bool archiveTab = true; // the archive button removes instead of adding
  int jumpCount = 0;
  int jumpPosition = -1;
  bool jumpOn = false;
  bool filterBoxOn = false; // the filter's tick box can be used
};

// The user's choices in the settings window that the reading follows.
struct TReaderOptions {
  int updateMinutes = 30;
  bool keepItemPosition = false;
  bool filterUsesOr = false;
};

// What the reading needs from outside and may wait for: the window supplies
// the transfer (it keeps painting meanwhile) and says when it is closing.
struct TReaderHooks {
  std::function<THttpResult(const QString &address, const QString &fileName,
                            TDownloadPurpose purpose)>
      transfer;
  std::function<bool()> connected = [] { return true; };
  std::function<bool()> closing = [] { return false; };
  std::function<bool()> shown = [] { return true; }; // the window is on screen
  std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
  std::function<TReaderOptions()> options = [] { return TReaderOptions(); };
};

// The reading: which site and category is chosen, the feed read from its
// file, the item on screen, the keyword filter, the archive button and the
// background watch's marks. It owns no widget; every outcome is a signal,
// and every change of what is shown ends with viewChanged().
class TReader : public QObject {
  Q_OBJECT
public:
  TReader(TReaderHooks hooks, QString archiveTemplate, QString archiveItemTemplate,
          QObject *parent = nullptr);

  const TReaderView &view() const { return FView; }
  // Nothing is read before the first show, which then opens the saved tab
  // (or the one chosen meanwhile); closing stops the reading again.
  void start(int savedTab);
  void stop() { FStarted = false; }
  bool started() const { return FStarted; }

  // --- Sites and categories ---
  void rebuildSites(const TSiteCatalogue *sites, int chosen);
  // The catalogue grew at its ends only: the view stays as it is.
  void sitesAdded(const TSiteCatalogue *sites);
  void chooseSite(int tab);
  void chooseCategory(int position);
  void refresh(); // the update interval's tick
  bool refreshing() const { return FRefreshing; }

  // --- The item on screen ---
  bool LoadFeedHeader(); // false when no header could be read
  void ShowFeedItem(int position);
  void stepForward() { ShowFeedItem(++FCurrentItem); }
  void stepBack() { ShowFeedItem(--FCurrentItem); }
  void jumpTo(int position);
  int FindItemPosition(const QString &link);
  void archiveButton();
  void clearView();

  // --- The keyword filter ---
  // The box's text as it stands, and as restored at start.
  void setFilterText(const QString &text);
  void restoreFilter(const QString &text, bool ticked);
  // A key released with no modifier: true when the typing pause is to start
  // (again), false when it is to stop.
  bool filterKeyUp();
  void setFilterTicked(bool ticked) { FFilterTicked = ticked; }
  // The tick box clicked: the filter applies at once.
  void filterClicked();
  // A tick of the typing pause: false while keys keep coming.
  bool filterPauseOver();
  // The pause is over (or the box was clicked): the category is read again.
  void applyFilter(bool fromTickBox);
  TKeywordFilter keywordFilter() const;

  // --- The background watch ---
  QList<TWatchedFeed> watchedFeeds(const TSiteCatalogue *sites);
  void watchChecked(const TWatchedFeed &feed, const TWatchResult &result);
  int newMatches() const { return FNewMatches; }
  bool siteHasNewMatches(int tab) const;
  void windowSeen(); // shown again: what was counted has had the user's eye
  void followAlert();

  // --- Downloads ---
  enum class TFetched { Usable, Offline, Failed };
  Q_ENUM(TFetched)
  TFetched fetch(const QString &url, const QString &fileName, bool report,
                 TDownloadPurpose purpose);

  QString feedFile() const { return FDocument.FileName(); }

Q_SIGNALS:
  void statusReported(TStatusKind kind, const QString &title, const QString &text);
  void statusCleared();
  void soundRequested(TEventSoundId sound);
  void viewChanged();
  void intervalRestarted(); // the update interval starts counting afresh
  void watchMarksChanged();
  void alertRaised(const QString &title, const QString &text);

private:
  bool closing() const { return FHooks.closing(); }
  void report(TStatusKind kind, const QString &title, const QString &text);
  void sound(TEventSoundId id);
  void changed() { Q_EMIT viewChanged(); }
  const TRSSItemData *site(int tab) const;
  QString categoryAddress() const;
  void openSite(int tab);
  void reloadCategory();
  void refreshNow();
  void refreshSelectedFeed();
  void showKeptCopy(const QString &url, const QString &file);
  void keepReadersPlace();
  void emptyItem();
  void showItem(const TWalkItem &visible);
  void reportShownItem(bool shown, int items);
  void updateNavigation();
  TItemFilter itemFilter() const;
  bool keywordFilterInForce() const;
  THttpResult transfer(const QString &address, const QString &fileName, TDownloadPurpose purpose);
  void reportTransfer(const QString &url, const THttpResult &result);
  QString archiveFileName() const;
  QString readArchive() const;
  bool writeArchive(const QString &content);
  void addShownItemToArchive();
  void removeShownItemFromArchive();
  QSet<QString> siteAddresses(int tab) const;
  bool clearWatchMark(int tab);
  void showCategoryItem(int tab, int category, const QString &link);

  TReaderHooks FHooks;
  const QString FArchiveTemplate;
  const QString FArchiveItemTemplate;
  TReaderView FView;
  QList<const TRSSItemData *> FSites; // the records the tabs stand for
  TFeedDocument FDocument;            // the current feed file, read afresh each time
  int FCurrentItem = 0;
  int FItemCount = 0;
  QString FEditText;   // the filter box's text
  QString FFilterText; // as of the last key released
  bool FFilterTicked = false;
  bool FFilterChanged = false;
  bool FFilterKeyPending = false;
  bool FStarted = false;
  bool FRefreshing = false;
  bool FRefreshAgain = false; // asked for while a refresh was under way
  int FOpeningCategory = 0;   // the category a change of tab opens on
  int FNewMatches = 0;
  QSet<QString> FMarkedFeeds; // addresses with matches the user has not looked at
  QString FAlertedFeed;       // the address and first item of the last alert
  QString FAlertedLink;
};
