#include "components/KivGroupBox.h"
#include "platform/ProgramSite.h"
#include "support/BoardWindows.h"
#include "zentara/Advertising.h"

#include <QScreen>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kPath = "/_vx_advertising/advertising_show.php";

QByteArray pageOf(const QString &title, const QString &link) {
  return TCodepage::toCp1251(u"<html><head><title>%1</title></head>\r\n<body><a href=\"https://"
                             u"example.org/\">%2</a></body></html>\r\n"_s.arg(title, link));
}

} // namespace

// The side panel in the main window: where its page comes from, when it is
// fetched, and what switching it off and on does to the window.
class TestSidePanel : public QObject, TBoardWindows {
  Q_OBJECT

  void start() {
    writeCatalogue({});
    createWindows();
    FForm->N9Click();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
  }
  QStringList shown() const {
    QStringList texts;
    for (const TURLLabel *label : FForm->ScrollBoxAdvertising->labels())
      texts.append(label->text());
    return texts;
  }
  void clickButton() { QTest::mouseClick(FForm->KivXPSpeedButton1, Qt::LeftButton); }
  int screenRight() const {
    const QRect area = FForm->screen()->geometry();
    return area.x() + area.width();
  }

private Q_SLOTS:
  void initTestCase() { QApplication::setApplicationDisplayName(u"Vornix"_s); }
  void init() {
    setUpBoard();
    qputenv("VORNIX_ZENTARA_URL", FServer->url(kPath).toUtf8());
    put(FData->file(u"defaultvx.html"_s), pageOf(u"Памятка"_s, u"Как добавить сайт"_s));
  }
  void cleanup() { tearDownBoard(); }

  // A failed fetch falls back to the page that ships with the program, never
  // to a copy an earlier fetch left behind.
  void whatThePanelShows_data() {
    QTest::addColumn<TTestResponse>("answer");
    QTest::addColumn<bool>("oldCopy");
    QTest::addColumn<bool>("defaultPage");
    QTest::addColumn<QStringList>("labels");
    const QStringList fetched{u"Новости"_s, u"Проект"_s, u"  "_s};
    const QStringList fallback{u"Памятка"_s, u"Как добавить сайт"_s, u"  "_s};
    const TTestResponse page = TTestResponse::ok(pageOf(u"Новости"_s, u"Проект"_s), "text/html");
    TTestResponse cutOff = page;
    cutOff.breakAfter = 20;
    QTest::newRow("the page") << page << true << true << fetched;
    QTest::newRow("server error") << TTestResponse::error(500) << false << true << fallback;
    QTest::newRow("broken off, an old copy left") << cutOff << true << true << fallback;
    QTest::newRow("over a megabyte") << TTestResponse::ok(QByteArray(kZentaraMaxPageBytes + 1, 'a'))
                                     << false << true << fallback;
    QTest::newRow("an empty page") << TTestResponse::ok({}) << false << true << QStringList();
    QTest::newRow("no default page either")
        << TTestResponse::error(404) << true << false << QStringList();
  }
  void whatThePanelShows() {
    QFETCH(TTestResponse, answer);
    QFETCH(bool, oldCopy);
    QFETCH(bool, defaultPage);
    QFETCH(QStringList, labels);
    FServer->route(kPath, answer);
    if (!defaultPage)
      QFile::remove(FData->file(u"defaultvx.html"_s));
    start();
    if (oldCopy)
      put(FData->file(u"html/zentara.html"_s), pageOf(u"Вчерашнее"_s, u"Старое"_s));
    FForm->ScrollBoxAdvertising->RenderZentaraPage(u"<a>Прежнее</a>"_s, 8);
    FEvents.clear();
    FForm->TimerAdvertisingShowTimer();
    QCOMPARE(shown(), labels);
    // The frame's caption is green, the page is not.
    if (!labels.isEmpty())
      QCOMPARE(FForm->ScrollBoxAdvertising->labels().first()->palette().color(QPalette::WindowText),
               QApplication::palette().color(QPalette::WindowText));
    QCOMPARE(FEvents.contains(u"sound 4"_s), !labels.isEmpty());
    QCOMPARE(FForm->TimerAdvertisingShow->interval(), 15 * 60 * 1000);
  }

  // The first fetch comes three seconds after the window shows, and the page
  // is fetched only while the window and the panel can be seen.
  void fetchedOnlyWhileSeen() {
    FServer->route(kPath, TTestResponse::ok(pageOf(u"Новости"_s, u"Проект"_s)));
    start();
    QVERIFY(FForm->TimerAdvertisingShow->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor(kPath), 1, 6000);
    QCOMPARE(FForm->TimerAdvertisingShow->interval(), 15 * 60 * 1000);
    FForm->N9Click(); // to the tray
    QVERIFY(!FForm->TimerAdvertisingShow->isActive());
    FForm->N9Click();
    QVERIFY(FForm->TimerAdvertisingShow->isActive());
    clickButton();
    QVERIFY(!FForm->TimerAdvertisingShow->isActive());
    FForm->N9Click();
    FForm->N9Click();
    QVERIFY(!FForm->TimerAdvertisingShow->isActive());
    QCOMPARE(requestsFor(kPath), 1);
  }

  // Hiding the panel gives its width back; a window docked at the right edge
  // of the screen stays docked. Showing it fetches the page at once.
  void switchingThePanel_data() {
    QTest::addColumn<int>("gap"); // from the window's right edge to the screen's
    QTest::addColumn<bool>("docked");
    QTest::newRow("at the edge") << 0 << true;
    QTest::newRow("within snapping distance") << 10 << true;
    QTest::newRow("clear of the edge") << 11 << false;
  }
  void switchingThePanel() {
    QFETCH(int, gap);
    QFETCH(bool, docked);
    FServer->route(kPath, TTestResponse::ok(pageOf(u"Новости"_s, u"Проект"_s)));
    start();
    FForm->resize(700, 320);
    const int left = screenRight() - gap - FForm->frameGeometry().width();
    FForm->move(left, 40);
    clickButton();
    QVERIFY(!FForm->zentaraPanelVisible());
    QVERIFY(shown().isEmpty());
    QCOMPARE(FForm->width(), 700 - TForm1::kZentaraPanelWidth);
    const int right = FForm->frameGeometry().x() + FForm->frameGeometry().width();
    QCOMPARE(right, docked ? screenRight() : screenRight() - gap - TForm1::kZentaraPanelWidth);
    QCOMPARE(FForm->KivXPSpeedButton1->toolTip(), u"Включить \"Zentara\""_s);
    QVERIFY(contentOf(FData->file(u"vx.ini"_s)).contains("lzenv_Caption=0\r\n"));

    const int before = requestsFor(kPath);
    clickButton();
    QVERIFY(FForm->zentaraPanelVisible());
    QCOMPARE(requestsFor(kPath), before + 1);
    QCOMPARE(shown().value(1), u"Проект"_s);
    QVERIFY(FForm->width() >= 670);
    QVERIFY(FForm->frameGeometry().x() + FForm->frameGeometry().width() <= screenRight());
    QCOMPARE(FForm->KivXPSpeedButton1->toolTip(), u"Отключить \"Zentara\""_s);
  }
};

QTEST_MAIN(TestSidePanel)
#include "tst_SidePanel.moc"
