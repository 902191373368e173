#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "feeds/RSSViewItem.h"
#include "feeds/URLLbl.h"
#include "platform/Codepage.h"
#include "platform/Connectivity.h"
#include "settings/Unit2.h"
#include "support/BoardWindows.h"
#include "support/FileBytes.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct TFeed {
  QString name;
  QByteArray path; // on the test server
};
struct TSite {
  QString title;
  QList<TFeed> feeds;
};

QByteArray feedOf(const QByteArray &title) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel><title>Board</title>"
         "<item><title>" +
         title + "</title><link>https://b.example/" + title + "</link></item></channel></rss>";
}

QStringList captions(const QMenu *menu) {
  QStringList list;
  for (const QAction *item : menu->actions())
    list << item->text();
  return list;
}

QList<bool> ticks(const QMenu *menu) {
  QList<bool> list;
  for (const QAction *item : menu->actions())
    list << item->isChecked();
  return list;
}

QList<int> tags(const QMenu *menu) {
  QList<int> list;
  for (const QAction *item : menu->actions())
    list << item->data().toInt();
  return list;
}

} // namespace

class TestSiteSelection : public QObject, TBoardWindows {
  Q_OBJECT

  // The archive, then the given sites.
  void writeSites(const QList<TSite> &sites) {
    QString text;
    for (int i = 0; i < sites.size(); ++i) {
      text += u"[item_%1]\r\ntitle=%2\r\n"_s.arg(i + 1).arg(sites.at(i).title);
      for (int j = 0; j < sites.at(i).feeds.size(); ++j) {
        const TFeed &feed = sites.at(i).feeds.at(j);
        text += u"%1%2_name=%3\r\n%1%2_url=%4\r\n"_s.arg(i + 1).arg(j).arg(feed.name,
                                                                           FServer->url(feed.path));
      }
    }
    writeCatalogue(text);
  }
  // Tabs: 0 the archive, 1 "Web" with one feed, 2 "Дизайн" with two.
  void startThreeSites() {
    writeSites(
        {{u"Web"_s, {{u"Jobs"_s, "/web/jobs.xml"}}},
         {u"Дизайн"_s, {{u"Logo"_s, "/design/logo.xml"}, {u"Banner"_s, "/design/banner.xml"}}}});
    createWindows();
  }

private Q_SLOTS:
  void init() {
    setUpBoard();
    FServer->route("/web/jobs.xml", TTestResponse::ok(feedOf("jobs")));
    FServer->route("/design/logo.xml", TTestResponse::ok(feedOf("logo")));
    FServer->route("/design/banner.xml", TTestResponse::ok(feedOf("banner")));
  }
  void cleanup() { tearDownBoard(); }

  void archiveAlone() {
    writeSites({});
    createWindows();
    FForm->N9Click();
    QCOMPARE(FForm->KivTabSet1->TabsList().captions(), QStringList{u"Архив"_s});
    QCOMPARE(captions(FForm->N17), QStringList{u"Архив"_s});
    QCOMPARE(ticks(FForm->N17), QList<bool>{true});
    QCOMPARE(captions(FForm->N3), QStringList{u"Архив сообщений"_s});
    QCOMPARE(ticks(FForm->N3), QList<bool>{true});
    QCOMPARE(FForm->Button3->text(), u"Удалить"_s);
  }

  // Every way of choosing site 2 has the same outcome.
  void choosingASite_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("tab strip") << u"strip"_s;
    QTest::newRow("Источник") << u"N17"_s;
    QTest::newRow("tray Сайт") << u"N6"_s;
  }
  void choosingASite() {
    QFETCH(QString, way);
    startThreeSites();
    FForm->N9Click();
    if (way == u"strip"_s) {
      FForm->KivTabSet1->setTabIndex(2);
    } else if (way == u"N17"_s) {
      FForm->N17->actions().at(2)->trigger();
    } else {
      FForm->KivPopupMenu1Popup();
      FForm->N6->actions().at(2)->trigger();
    }
    QCOMPARE(FForm->KivTabSet1->TabIndex(), 2);
    QCOMPARE(ticks(FForm->N17), (QList<bool>{false, false, true}));
    QCOMPARE(captions(FForm->N3), (QStringList{u"Logo"_s, u"Banner"_s}));
    QCOMPARE(ticks(FForm->N3), (QList<bool>{true, false}));
    QCOMPARE(FForm->Button3->text(), u"В архив"_s);
    QCOMPARE(FForm->lti->text(), u"2"_s);
    QCOMPARE(requestsFor("/design/logo.xml"), 1);
    QCOMPARE(shownTitle(), u"logo"_s);
  }

  // Without the menu announcing that it opens: some tray hosts never do.
  void trayMenusFollowTheWindow() {
    startThreeSites();
    FForm->N9Click();
    FForm->KivTabSet1->setTabIndex(2);
    QCOMPARE(captions(FForm->N6), FForm->KivTabSet1->TabsList().captions());
    QCOMPARE(tags(FForm->N6), (QList<int>{0, 1, 2}));
    QCOMPARE(ticks(FForm->N6), (QList<bool>{false, false, true}));
    QVERIFY(FForm->N6Action->isEnabled());
    QCOMPARE(captions(FForm->N5), captions(FForm->N3));
    QCOMPARE(tags(FForm->N5), tags(FForm->N3));
    QCOMPARE(ticks(FForm->N5), ticks(FForm->N3));
    QVERIFY(FForm->N5Action->isEnabled());
    QCOMPARE(FForm->N5->actions().first()->parent(), FForm->N5);

    FForm->N5->actions().at(1)->trigger();
    QCOMPARE(ticks(FForm->N3), (QList<bool>{false, true}));
    QCOMPARE(requestsFor("/design/banner.xml"), 1);
    QCOMPARE(shownTitle(), u"banner"_s);
    QCOMPARE(ticks(FForm->N5), (QList<bool>{false, true}));
    for (int opened = 0; opened < 2; ++opened) // an opening replaces, never adds
      Q_EMIT FForm->KivPopupMenu1->aboutToShow();
    QCOMPARE(ticks(FForm->N5), (QList<bool>{false, true}));
    QCOMPARE(ticks(FForm->N6), (QList<bool>{false, false, true}));
  }

  // A site already on screen stays as it is; a category already ticked is
  // read again from its fresh copy.
  void choosingWhatIsTickedAgain_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<bool>("reloads");
    QTest::newRow("site in Источник") << u"N17"_s << false;
    QTest::newRow("site in tray Сайт") << u"N6"_s << false;
    QTest::newRow("category in Категория") << u"N3"_s << true;
    QTest::newRow("category in tray Категория") << u"N5"_s << true;
  }
  void choosingWhatIsTickedAgain() {
    QFETCH(QString, menu);
    QFETCH(bool, reloads);
    startThreeSites();
    FForm->N9Click();
    FForm->KivTabSet1->setTabIndex(2);
    FForm->KivPopupMenu1Popup();
    const auto requests = FServer->requests().size();
    const auto loads = FReports.count(u"Файл загружен."_s);
    const QMenu *chosen = FForm->findChild<QMenu *>(menu);
    QVERIFY(chosen);
    for (QAction *item : chosen->actions()) {
      if (item->isChecked()) {
        item->trigger();
        break;
      }
    }
    QCOMPARE(FReports.count(u"Файл загружен."_s), loads + (reloads ? 1 : 0));
    QCOMPARE(FServer->requests().size(), requests);
    QCOMPARE(ticks(FForm->N17), (QList<bool>{false, false, true}));
    QCOMPARE(ticks(FForm->N3), (QList<bool>{true, false}));
  }

  void siteWithoutFeeds() {
    writeSites({{u"Empty"_s, {}}});
    createWindows();
    FForm->N9Click();
    FForm->KivTabSet1->setTabIndex(1);
    FForm->KivPopupMenu1Popup();
    QVERIFY(FForm->N3->isEmpty());
    QVERIFY(!FForm->N3->isEnabled());
    QVERIFY(FForm->N5->isEmpty());
    QVERIFY(!FForm->N5Action->isEnabled());
    QVERIFY(FForm->N6Action->isEnabled());
    QVERIFY(FServer->requests().isEmpty());
  }

  // Before the first show a tab change only relabels Button3; the show then
  // loads the tab that is selected.
  void tabChangeBeforeTheFirstShow() {
    startThreeSites();
    FForm->Button3->setEnabled(true);
    FForm->KivTabSet1->setTabIndex(2);
    QCOMPARE(FForm->Button3->text(), u"В архив"_s);
    QVERIFY(!FForm->Button3->isEnabled());
    QVERIFY(FForm->N3->isEmpty());
    QCOMPARE(FForm->lti->text(), u"0"_s);
    QVERIFY(FServer->requests().isEmpty());

    FForm->N9Click();
    QCOMPARE(captions(FForm->N3), (QStringList{u"Logo"_s, u"Banner"_s}));
    QCOMPARE(requestsFor("/design/logo.xml"), 1);
  }

  void rebuildSelectsTheSettingsWindowsSite_data() {
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("tab");
    QTest::newRow("the archive") << 0 << 0;
    QTest::newRow("a site") << 2 << 2;
    QTest::newRow("none") << -1 << 0;
  }
  void rebuildSelectsTheSettingsWindowsSite() {
    QFETCH(int, chosen);
    QFETCH(int, tab);
    startThreeSites();
    FForm->N9Click();
    FForm->KivTabSet1->setTabIndex(1);
    FSettings->CBSites->setCurrentIndex(chosen);
    FForm->RebuildSiteTabs();
    QCOMPARE(FForm->KivTabSet1->TabIndex(), tab);
    QCOMPARE(FForm->lti->text(), QString::number(tab));
    QCOMPARE(ticks(FForm->N17).indexOf(true), tab);
  }

  void firstShowChoosesTheRestoredSiteInTheSettingsWindowOnce() {
    startThreeSites();
    FForm->lti->setText(u"2"_s); // as the saved state leaves it
    FForm->N9Click();
    QCOMPARE(FForm->KivTabSet1->TabIndex(), 2);
    QCOMPARE(FSettings->CBSites->currentIndex(), 2);
    QCOMPARE(requestsFor("/design/logo.xml"), 1); // loaded once
    FForm->KivTabSet1->setTabIndex(1);
    FForm->N9Click();
    FForm->N9Click();
    QCOMPARE(FSettings->CBSites->currentIndex(), 2);
  }
};

QTEST_MAIN(TestSiteSelection)
#include "tst_SiteSelection.moc"
