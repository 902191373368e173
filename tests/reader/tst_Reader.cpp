#include "feeds/ArchiveTemplates.h"
#include "feeds/FeedWatch.h"
#include "feeds/WatchCheck.h"
#include "platform/Codepage.h"
#include "platform/ProgramSite.h"
#include "reader/Reader.h"
#include "settings/SiteCatalogue.h"
#include "support/FeedBuilder.h"
#include "support/FileBytes.h"
#include "support/GoldenFile.h"
#include "support/ScriptDump.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"

#include <QGuiApplication>
#include <QMetaEnum>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The reader's clock: its archive dates and its copies' ages never vary.
const QDateTime kNow(QDate(2026, 12, 7), QTime(10, 30));

QString soundName(TEventSoundId id) {
  static const char *const names[] = {"noconnect", "error", "warning", "update",   "zenshow",
                                      "add",       "del",   "itemok",  "itemfail", "itemempty"};
  return QString::fromLatin1(names[int(id)]);
}

QByteArray feedFile(const QString &name) {
  return contentOf(QStringLiteral(VORNIX_TEST_DATA "/mainwindow/feeds/") + name);
}

} // namespace

// The reader driven by scripts in tests/data/mainwindow, a step a line ("#" starts a comment),
// against feeds served on 127.0.0.1 and files in a fresh data folder. After each step the dump
// gives the signals in order, the requests served, what the view shows where it changed, and
// every file written, changed or removed.
class TestReader : public QObject {
  Q_OBJECT
  std::unique_ptr<TTempDataFolder> FData;
  std::unique_ptr<TTestHttpServer> FServer;
  std::unique_ptr<TSiteCatalogue> FSites;
  std::unique_ptr<TReader> FReader;
  TReaderOptions FOptions;
  bool FOnline = true, FShown = true, FClosing = false;
  QString FCloseAfter;    // "transfer" or a sound's name: the window closes once it has waited
  QString FRemoveOnSound; // a file taken away at the next sound
  QStringList FLog;
  qsizetype FRequests = 0;
  QStringList FLastView;
  TFolderChanges FFiles;

  QString served(QString text) const {
    return text.replace(u"SERVER"_s, u"127.0.0.1:%1"_s.arg(FServer->port()));
  }
  QString masked(QString text) const {
    static const QRegularExpression watchCopy(u"watch/[0-9a-f]{40}"_s);
    return text.replace(u"127.0.0.1:%1"_s.arg(FServer->port()), u"SERVER"_s)
        .replace(FData->path(), u"<data>"_s)
        .replace(watchCopy, u"watch/<hash>"_s);
  }

  void makeReader() {
    TReaderHooks hooks;
    hooks.transfer = [this](const QString &address, const QString &file, TDownloadPurpose p) {
      const THttpResult result = THttpClient(DownloadOptionsFor(p)).download(address, file);
      FClosing = FClosing || FCloseAfter == u"transfer"_s;
      return result;
    };
    hooks.connected = [this] { return FOnline; };
    hooks.closing = [this] { return FClosing; };
    hooks.shown = [this] { return FShown; };
    hooks.now = [] { return kNow; };
    hooks.options = [this] { return FOptions; };
    FReader = std::make_unique<TReader>(std::move(hooks),
                                        BuildArchiveTemplate(u"Vornix"_s, ProgramPageAddress()),
                                        BuildArchiveItemTemplate());
    connect(FReader.get(), &TReader::statusReported, this,
            [this](TStatusKind kind, const QString &title, const QString &text) {
              FLog << u"status %1 %2: %3"_s.arg(int(kind)).arg(title, Flat(text));
            });
    connect(FReader.get(), &TReader::statusCleared, this, [this] { FLog << u"cleared"_s; });
    connect(FReader.get(), &TReader::soundRequested, this, [this](TEventSoundId id) {
      FLog << u"sound "_s + soundName(id);
      FClosing = FClosing || FCloseAfter == soundName(id);
      if (!FRemoveOnSound.isEmpty())
        QFile::remove(FData->file(std::exchange(FRemoveOnSound, QString())));
    });
    connect(FReader.get(), &TReader::intervalRestarted, this, [this] { FLog << u"interval"_s; });
    connect(FReader.get(), &TReader::watchMarksChanged, this, [this] {
      QStringList marked;
      for (int tab = 0; tab < FReader->view().sites.size(); ++tab)
        if (FReader->siteHasNewMatches(tab))
          marked << QString::number(tab);
      FLog << u"marks: %1 new, tabs %2"_s.arg(FReader->newMatches()).arg(marked.join(u' '));
    });
    connect(FReader.get(), &TReader::alertRaised, this,
            [this](const QString &title, const QString &text) {
              FLog << u"alert %1: %2"_s.arg(title, Flat(text));
            });
  }

  // "Site: Name=address, Name=address | Site: ..." after the archive, site 0; with `grow`,
  // added to the catalogue there is, a site of the same title getting the feeds, as an import.
  void setSites(const QString &boards, bool grow = false) {
    if (!grow) {
      FSites = std::make_unique<TSiteCatalogue>();
      AddArchiveSite(*FSites);
    }
    for (const QString &site : boards.split(u'|', Qt::SkipEmptyParts)) {
      const QString title = site.section(u':', 0, 0).trimmed();
      int i = grow ? FSites->count() - 1 : 0;
      while (i > 0 && FSites->title(i) != title)
        --i;
      TRSSItemData *record = i > 0 ? FSites->record(i) : FSites->append(title);
      for (const QString &feed : site.section(u':', 1).split(u',', Qt::SkipEmptyParts)) {
        record->RSSNames << feed.section(u'=', 0, 0).trimmed();
        record->RSSURLs << served(feed.section(u'=', 1).trimmed());
      }
    }
  }

  void step(const QString &line) {
    QStringList w = line.split(u' ', Qt::SkipEmptyParts);
    const QString op = w.takeFirst(), rest = line.section(u' ', 1);
    const int n = w.value(0).toInt();
    TReader &r = *FReader;
    if (op == u"sites") {
      setSites(rest);
    } else if (op == u"serve") {
      FServer->route(w.value(0).toUtf8(), ScriptAnswer(w.value(1), w.mid(2)));
    } else if (op == u"import") {
      setSites(rest, true);
      r.sitesAdded(FSites.get());
    } else if (op == u"rebuild") {
      r.rebuildSites(FSites.get(), n);
    } else if (op == u"start") {
      r.start(n);
    } else if (op == u"site") {
      r.chooseSite(n);
    } else if (op == u"category") {
      r.chooseCategory(n);
    } else if (op == u"refresh") {
      r.refresh();
    } else if (op == u"next") {
      r.stepForward();
    } else if (op == u"back") {
      r.stepBack();
    } else if (op == u"jump") {
      r.jumpTo(n);
    } else if (op == u"show") {
      r.ShowFeedItem(n);
    } else if (op == u"header") {
      FLog << u"header read: %1"_s.arg(r.LoadFeedHeader());
    } else if (op == u"archive") {
      r.archiveButton();
    } else if (op == u"type") { // then the key released
      r.setFilterText(w.isEmpty() ? QString() : rest);
      FLog << (r.filterKeyUp() ? u"pause starts"_s : u"pause stops"_s);
    } else if (op == u"tick") { // the box clicked, as the window hands it on
      r.setFilterTicked(w.value(0) == u"on");
      r.filterClicked();
      if (r.filterPauseOver())
        r.applyFilter(true);
    } else if (op == u"pause") { // a tick of the typing pause
      if (r.filterPauseOver())
        r.applyFilter(false);
      else
        FLog << u"pause goes on"_s;
    } else if (op == u"set") { // online, shown, keep or or: 0 or 1; minutes: a number
      const QHash<QString, bool *> flags{{u"online"_s, &FOnline},
                                         {u"shown"_s, &FShown},
                                         {u"keep"_s, &FOptions.keepItemPosition},
                                         {u"or"_s, &FOptions.filterUsesOr}};
      if (w.value(0) == u"minutes")
        FOptions.updateMinutes = w.value(1).toInt();
      else
        *flags.value(w.value(0)) = w.value(1) == u"1";
    } else if (op == u"age") { // a file, minutes before the reader's clock
      QFile file(FData->file(w.value(0)));
      QVERIFY(file.open(QIODevice::ReadWrite) &&
              file.setFileTime(kNow.addSecs(-60 * w.value(1).toInt()),
                               QFileDevice::FileModificationTime));
    } else if (op == u"remove") {
      QVERIFY(QFile::remove(FData->file(rest)));
    } else if (op == u"put") { // a file and its text
      put(FData->file(w.value(0)), line.section(u' ', 2).toUtf8());
    } else if (op == u"edit") { // a file's text replaced: "edit <file> <from> -> <to>"
      const QByteArray from = TCodepage::toCp1251(line.section(u' ', 2).section(u" -> "_s, 0, 0));
      QByteArray bytes = contentOf(FData->file(w.value(0)));
      QVERIFY(bytes.contains(from));
      put(FData->file(w.value(0)),
          bytes.replace(from, TCodepage::toCp1251(line.section(u" -> "_s, 1))));
    } else if (op == u"block") { // a folder where the file should be
      QFile::remove(FData->file(rest));
      QVERIFY(QDir().mkpath(FData->file(rest)));
    } else if (op == u"on-sound-remove") {
      FRemoveOnSound = rest;
    } else if (op == u"close-after") { // "transfer" or a sound
      FCloseAfter = rest;
    } else if (op == u"fetch") { // address, file, "report" or "silent", "feed" or "page"
      const auto result =
          r.fetch(served(w.value(0)), FData->file(w.value(1)), w.value(2) == u"report",
                  w.value(3) == u"page" ? TDownloadPurpose::SidePanelPage : TDownloadPurpose::Feed);
      FLog << u"fetched: "_s +
                  QString::fromLatin1(
                      QMetaEnum::fromType<TReader::TFetched>().valueToKey(int(result)));
    } else if (op == u"watch") { // site title, address, titles of the new items
      TWatchResult result{TWatchResult::Checked, ParseFeed(FeedOf(w.mid(2))).content->items, {}};
      r.watchChecked({served(w.value(1)), w.value(0)}, result);
    } else if (op == u"watched") {
      for (const TWatchedFeed &feed : r.watchedFeeds(FSites.get()))
        FLog << u"watched %1 (%2)"_s.arg(feed.address, feed.siteTitle);
    } else if (op == u"watch-copy") { // the watch's copy of an address, from a file of feeds/
      put(TWatchChecker::copyFileName(served(w.value(0))), feedFile(w.value(1)));
    } else if (op == u"follow") {
      r.followAlert();
    } else if (op == u"seen") {
      r.windowSeen();
    } else {
      QFAIL(qPrintable(u"unknown step: "_s + line));
    }
  }

  QStringList viewLines() const {
    const TReaderView &v = FReader->view();
    const auto ticked = [](const QStringList &names, int at) {
      QStringList shown = names;
      if (at >= 0 && at < shown.size())
        shown[at] = u'*' + shown[at];
      return shown.join(u" | "_s);
    };
    const TArchiveItem &i = v.item;
    return {u"tabs: "_s + ticked(v.sites, v.tab),
            u"categories: "_s + ticked(v.categories, v.category),
            u"header: %1 | %2 | %3"_s.arg(v.feedTitle, v.feedLink, v.feedInfo),
            v.itemShown
                ? u"item: %1 | %2 | %3 | %4 | %5 | %6"_s.arg(i.title, i.link, i.pubDate, i.category,
                                                             i.comments, Flat(i.description))
                : u"item: none"_s,
            u"buttons:%1%2%3 %4, jump %5/%6%7%8"_s.arg(
                v.backOn ? u" back"_s : QString(), v.nextOn ? u" next"_s : QString(),
                v.archiveOn ? u" archive"_s : QString(), v.archiveTab ? u"(remove)"_s : u"(add)"_s,
                QString::number(v.jumpPosition), QString::number(v.jumpCount),
                v.jumpOn ? u" on"_s : QString(), v.filterBoxOn ? u", filter box on"_s : QString())};
  }

  QString dump(const QString &line) {
    QStringList out{u"> "_s + line};
    for (const QString &entry : std::exchange(FLog, {}))
      out << u"  "_s + masked(entry);
    if (const QStringList paths = NewRequests(*FServer, FRequests); !paths.isEmpty())
      out << u"  requests: "_s + paths.join(u' ');
    // The archive in full; small files as they are, larger ones by size.
    const QStringList changes =
        FFiles.look(FData->path(), [](const QString &name, const QByteArray &bytes) -> QString {
          if (name.endsWith(u"vx_arhive.xml"_s))
            return u": "_s + Flat(TCodepage::fromCp1251(bytes));
          return bytes.size() < 120 ? u": "_s + Flat(QString::fromUtf8(bytes)) : u""_s;
        });
    for (const QString &line : ChangedLines(viewLines(), FLastView) + changes)
      out << u"  "_s + masked(line);
    return out.join(u'\n');
  }

private Q_SLOTS:
  void initTestCase() {
    QGuiApplication::setApplicationDisplayName(u"Vornix"_s);
    QLoggingCategory::setFilterRules(u"vornix.download.warning=false"_s);
  }

  void script_data() { addGoldenRows(u"mainwindow"_s); }
  void script() {
    QFETCH(QString, input);
    FData = std::make_unique<TTempDataFolder>();
    FServer = std::make_unique<TTestHttpServer>();
    QVERIFY(FServer->start());
    FOptions = {};
    FOnline = FShown = true;
    FClosing = false;
    FCloseAfter.clear();
    FRemoveOnSound.clear();
    setSites({});
    makeReader();
    QStringList dumps;
    for (const QString &line : ScriptLines(input)) {
      step(line.trimmed());
      dumps << dump(line.trimmed());
    }
    FReader.reset();
    FServer.reset();
    FData.reset();
    FFiles = {};
    FLastView.clear();
    FRequests = 0;
    compareWithGolden(input, dumps.join(u'\n') + u'\n');
  }
};

QTEST_GUILESS_MAIN(TestReader)
#include "tst_Reader.moc"
