#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "feeds/RSSViewItem.h"
#include "feeds/URLLbl.h"
#include "platform/Codepage.h"
#include "platform/Connectivity.h"
#include "settings/Unit2.h"
#include "support/BoardWindows.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A feed whose items are titled by the given words, linked by the same words.
QByteArray feedOf(const QStringList &titles) {
  QByteArray feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel><title>Board</title>";
  for (const QString &title : titles)
    feed += "<item><title>" + title.toUtf8() + "</title><link>https://b.example/" + title.toUtf8() +
            "</link><description>about " + title.toUtf8() + "</description></item>";
  return feed + "</channel></rss>";
}

} // namespace

class TestUpdateCycle : public QObject, TBoardWindows {
  Q_OBJECT

  // One site of two feeds on the test server.
  QString boardSite(const QString &secondUrl) const {
    return u"[item_1]\r\ntitle=Board\r\n10_name=Web\r\n10_url=%1\r\n11_name=Design\r\n"
           u"11_url=%2\r\n"_s.arg(FServer->url("/web/rss.xml"), secondUrl);
  }
  void startWindow(const QString &secondUrl) {
    writeCatalogue(boardSite(secondUrl));
    createWindows();
    FForm->N9Click(); // the first show starts the cycle
  }

private Q_SLOTS:
  void init() {
    setUpBoard();
    FServer->route("/web/rss.xml", TTestResponse::ok(feedOf({u"alpha"_s, u"beta"_s, u"gamma"_s})));
    FServer->route("/design/design.xml", TTestResponse::ok(feedOf({u"logo"_s, u"banner"_s})));
  }
  void cleanup() { tearDownBoard(); }

  void tabsAndCategoriesComeFromTheCatalogue() {
    startWindow(FServer->url("/design/design.xml"));
    QCOMPARE(FForm->KivTabSet1->TabsList().captions(), (QStringList{u"Архив"_s, u"Board"_s}));
    QCOMPARE(FForm->Timer1->interval(), 30 * 60000 + 5000);
    QVERIFY(FForm->Timer1->isActive());
    FSettings->CBTimeOut->setCurrentText(u"5"_s);
    QCOMPARE(FForm->Timer1->interval(), 5 * 60000 + 5000);
    FForm->KivTabSet1->setTabIndex(1); // a tab change refreshes at once
    QCOMPARE(FForm->N3->actions().size(), 2);
    QVERIFY(FForm->N3->actions().first()->isChecked());
    QCOMPARE(requestsFor("/web/rss.xml"), 1);
    QCOMPARE(shownTitle(), u"alpha"_s);
    QCOMPARE(FForm->lti->text(), u"1"_s);

    // Another category: its own file, downloaded; back again within the
    // interval: the stored copy is read, nothing is downloaded.
    FForm->N3->actions().at(1)->trigger();
    QCOMPARE(shownTitle(), u"logo"_s);
    QCOMPARE(requestsFor("/design/design.xml"), 1);
    FForm->KivTabSet1->setTabIndex(0);
    FForm->KivTabSet1->setTabIndex(1);
    QCOMPARE(shownTitle(), u"alpha"_s);
    QCOMPARE(requestsFor("/web/rss.xml"), 1);
    // The periodic tick refreshes what is chosen; on the archive tab it does nothing.
    FForm->Timer1Timer();
    QCOMPARE(shownTitle(), u"alpha"_s);
    FForm->KivTabSet1->setTabIndex(0);
    const auto before = FServer->requests().size();
    FForm->Timer1Timer();
    QCOMPARE(FServer->requests().size(), before);
  }

  void keepsTheReadersPlace_data() {
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QString>("shown");
    QTest::newRow("on: the same item where it moved") << true << u"beta"_s;
    QTest::newRow("off: the same position") << false << u"new"_s;
  }
  void keepsTheReadersPlace() {
    QFETCH(bool, keep);
    QFETCH(QString, shown);
    startWindow(FServer->url("/design/design.xml"));
    FSettings->ChBStoreXMLItemPos->setChecked(keep);
    FForm->KivTabSet1->setTabIndex(1);
    FForm->Button1Click(); // beta, at position 1
    QCOMPARE(shownTitle(), u"beta"_s);
    FServer->route("/web/rss.xml",
                   TTestResponse::ok(feedOf({u"first"_s, u"new"_s, u"alpha"_s, u"beta"_s})));
    QFile::remove(FData->file(u"xml/1rss.xml"_s)); // due again
    FForm->Timer1Timer();
    QCOMPARE(shownTitle(), shown);
  }

  void failedDownloadKeepsTheView() {
    startWindow(FServer->url("/design/design.xml"));
    FForm->KivTabSet1->setTabIndex(1);
    FServer->route("/web/rss.xml", TTestResponse::error(500));
    QFile::remove(FData->file(u"xml/1rss.xml"_s));
    FForm->Timer1Timer();
    QCOMPARE(shownTitle(), u"alpha"_s);
    QCOMPARE(FReports.last(),
             FServer->url("/web/rss.xml") + u"\rНет подключения к Internet.\rСписок пуст."_s);
  }

  void vanishedFileIsAnEmptyList() {
    startWindow(FServer->url("/design/design.xml"));
    FForm->KivTabSet1->setTabIndex(1);
    QFile::remove(FData->file(u"xml/1rss.xml"_s));
    // Something removes the file while the window catches up after the download.
    connect(FForm.get(), &TForm1::statusReported, this,
            [this](int, const QString &, const QString &text) {
              if (text.endsWith(u"Обновление выполнено."_s))
                QTimer::singleShot(0, this,
                                   [this] { QFile::remove(FData->file(u"xml/1rss.xml"_s)); });
            });
    QList<int> sounds;
    connect(FForm.get(), &TForm1::eventSoundRequested, this,
            [&sounds](int i) { sounds.append(i); });
    FForm->Timer1Timer();
    QCOMPARE(FReports.last(), u"Список пуст."_s);
    QCOMPARE(sounds.last(), 9);
  }

  void siteWithoutFeedsHasNoCategories() {
    writeCatalogue(boardSite(FServer->url("/design/design.xml")) +
                   u"[item_2]\r\ntitle=Empty\r\n"_s);
    createWindows();
    FForm->N9Click();
    FForm->KivTabSet1->setTabIndex(2);
    QVERIFY(FForm->N3->isEmpty());
    QVERIFY(!FForm->N3->isEnabled());
    const auto before = FServer->requests().size();
    FForm->Timer1Timer();
    FForm->ChBFilteredClick(); // no categories: the filter refreshes nothing
    QCOMPARE(FServer->requests().size(), before);
  }

  void siteWithoutAnAddressIsNeverDownloaded() {
    startWindow(QString());
    FForm->KivTabSet1->setTabIndex(1);
    FForm->N3->actions().at(1)->trigger();
    QCOMPARE(requestsFor("/design/design.xml"), 0);
    QVERIFY(shownTitle().isEmpty());
  }

  void filterRefreshesAfterAPauseInTyping() {
    startWindow(FServer->url("/design/design.xml"));
    FForm->KivTabSet1->setTabIndex(1);
    FForm->Button1Click();
    FForm->EditFilter->setFocus();
    FReports.clear();
    QElapsedTimer sinceLastKey;
    for (const char *letter : {"g", "a", "m"}) {
      QTest::keyClick(FForm->EditFilter, letter[0]);
      sinceLastKey.start();
    }
    QVERIFY(FForm->ChBFiltered->isEnabled());
    FForm->ChBFiltered->setChecked(true); // ticked without a click: no refresh yet
    QVERIFY(FForm->Timer2->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!FForm->Timer2->isActive(), 3000);
    QVERIFY(sinceLastKey.elapsed() >= 500);
    QCOMPARE(FReports.count(u"Файл загружен."_s), 1); // one refresh for the three keys
    QCOMPARE(shownTitle(), u"gamma"_s);               // the first item the filter lets through
    QCOMPARE(FForm->ItemCount, 1);

    // Releasing a letter with Shift held changes nothing; releasing Shift does.
    FForm->EditFilter->setText(u"gamm"_s);
    QKeyEvent letterWithShift(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, u"A"_s);
    QApplication::sendEvent(FForm->EditFilter, &letterWithShift);
    QVERIFY(!FForm->Timer2->isActive());
    // As the window system reports it: Shift still down as it is released.
    QKeyEvent shift(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::sendEvent(FForm->EditFilter, &shift);
    QVERIFY(FForm->Timer2->isActive());
  }

  // A catalogue that cannot be written is reported without holding up the
  // start, and the program goes on with the archive alone.
  void refusedCatalogueWriteIsShown() {
    const QString catalogue = FData->file(u"vxs.ini"_s);
    QVERIFY(QDir().mkpath(catalogue)); // a folder where the file should be
    CreateQuietWindows(FSettings, FForm);
    const auto shownBox = [] {
      for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(window); box && box->isVisible())
          return box;
      }
      return static_cast<QMessageBox *>(nullptr);
    };
    QTRY_VERIFY(shownBox() != nullptr);
    QCOMPARE(shownBox()->text(), u"Unable to write to "_s + catalogue);
    QCOMPARE(FForm->KivTabSet1->TabsList().captions(), QStringList{u"Архив"_s});
    shownBox()->close();
  }
};

QTEST_MAIN(TestUpdateCycle)
#include "tst_UpdateCycle.moc"
