#include "app/WindowPlacement.h"
#include "support/BoardWindows.h"

#include <QCheckBox>
#include <QLabel>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestWindowState : public QObject, TBoardWindows {
  Q_OBJECT

  // "vx.ini" as the Windows program writes it: Windows-1251, CR LF, the keys
  // in the order of the window's controls.
  static QByteArray windowsStateFile(const QString &top, const QString &left) {
    const QString text = u"[Form1]\r\n"
                         "TForm1_Form1_TLabel_lft_Caption=%1\r\n"
                         "TForm1_Form1_TLabel_lfl_Caption=%2\r\n"
                         "TForm1_Form1_TLabel_lfw_Caption=700\r\n"
                         "TForm1_Form1_TLabel_lfh_Caption=350\r\n"
                         "TForm1_Form1_TLabel_lti_Caption=2\r\n"
                         "TForm1_Form1_TLabel_lzenv_Caption=-1\r\n"
                         "TForm1_Form1_TEdit_EditFilter_Text=php<\"32\">mysql\r\n"
                         "TForm1_Form1_TCheckBox_ChBFiltered_Caption=Фильтр\r\n"
                         "TForm1_Form1_TCheckBox_ChBFiltered_Checked=False\r\n"_s.arg(top, left);
    return TCodepage::toCp1251(text);
  }
  void startTwoBoards() {
    writeCatalogue(u"[item_1]\r\ntitle=Web\r\n10_name=Jobs\r\n10_url=%1\r\n"
                   u"[item_2]\r\ntitle=Дизайн\r\n20_name=Logo\r\n20_url=%2\r\n"_s.arg(
                       FServer->url("/jobs"), FServer->url("/logo")));
    createWindows();
  }
  void show() {
    FForm->N9Click();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
  }
  QString stateFile() const { return FData->file(u"vx.ini"_s); }

private Q_SLOTS:
  void initTestCase() { QApplication::setApplicationDisplayName(u"Vornix"_s); }
  void init() {
    setUpBoard();
    FServer->route("/jobs", TTestResponse::ok(FeedOf({u"alpha"_s})));
    FServer->route("/logo", TTestResponse::ok(FeedOf({u"logo"_s})));
  }
  void cleanup() { tearDownBoard(); }

  void titleBarReachable_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<bool>("reachable");
    QTest::newRow("inside the left screen") << QRect(100, 100, 670, 300) << true;
    QTest::newRow("across both screens") << QRect(1000, 100, 670, 300) << true;
    QTest::newRow("on the right screen, lower") << QRect(1500, 900, 670, 300) << true;
    QTest::newRow("only its body shows") << QRect(100, -100, 670, 300) << false;
    QTest::newRow("a sliver at the right edge") << QRect(2530, 100, 670, 300) << false;
    QTest::newRow("where a third monitor was") << QRect(3000, 100, 670, 300) << false;
    QTest::newRow("below the shorter screen") << QRect(100, 850, 670, 300) << false;
  }
  void titleBarReachable() {
    QFETCH(QRect, frame);
    QFETCH(bool, reachable);
    const QList<QRect> screens{QRect(0, 0, 1280, 800), QRect(1280, 0, 1280, 1024)};
    QCOMPARE(TitleBarReachable(frame, screens), reachable);
  }

  // A file the Windows program wrote sets place, size, tab and filter, and comes
  // back byte for byte; a place no screen shows (a monitor unplugged since) is
  // replaced by the first start's. Two screens, the second left of the first.
  void windowsStateFile_data() {
    QTest::addColumn<QString>("left");
    QTest::addColumn<bool>("onScreen");
    QTest::newRow("on screen") << u"60"_s << true;
    QTest::newRow("at the left edge") << u"0"_s << true;
    QTest::newRow("on the monitor to the left") << u"-700"_s << true;
    QTest::newRow("off every screen") << u"9000"_s << false;
  }
  void windowsStateFile() {
    QFETCH(QString, left);
    QFETCH(bool, onScreen);
    put(stateFile(), windowsStateFile(u"120"_s, left));
    startTwoBoards();
    show();
    QTRY_COMPARE(FForm->KivTabSet1->TabIndex(), 2);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(FForm->pos(),
             onScreen ? QPoint(left.toInt(), 120) : FirstStartPlace(screen, QSize(700, 350)));
    QCOMPARE(FForm->size(), QSize(700, 350));
    QCOMPARE(FForm->EditFilter->text(), u"php mysql"_s);
    QVERIFY(FForm->ChBFiltered->isEnabled() && !FForm->ChBFiltered->isChecked());
    QCOMPARE(FSettings->selectedSite(), 2);
    FForm->close();
    QCOMPARE(contentOf(stateFile()), windowsStateFile(u"120"_s, left));
  }

  void aRestartRestoresWhatTheUserLeft() {
    startTwoBoards();
    show();
    FForm->KivTabSet1->setTabIndex(1);
    FForm->EditFilter->setText(u"qt"_s);
    FForm->move(60, 70);
    FForm->resize(720, 380);
    FForm->SavePosition(); // as the end of a drag does
    FForm->close();
    FForm.reset();
    FSettings.reset();
    createWindows();
    show();
    QTRY_COMPARE(FForm->KivTabSet1->TabIndex(), 1);
    QCOMPARE(QRect(FForm->pos(), FForm->size()), QRect(60, 70, 720, 380));
    QCOMPARE(FForm->EditFilter->text(), u"qt"_s);
    QCOMPARE(FForm->FilterText, u"qt"_s);
  }

  // Each setting is in force the moment it changes, and the feed on screen is
  // refreshed at once: "<opacity in 255ths>|<caption>|<timer interval>|
  // <stays on top>|<refreshed>".
  void settingsApplyAtOnce_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("value"); // an index, or 1 to tick
    QTest::addColumn<QString>("after");
    QTest::newRow("transparency 50 %")
        << u"CBAlphaBlend"_s << 5 << u"128|  Vornix (интервал обновлений 30 мин.)|1805000|0|1"_s;
    QTest::newRow("transparency 100 %")
        << u"CBAlphaBlend"_s << 10 << u"0|  Vornix (интервал обновлений 30 мин.)|1805000|0|1"_s;
    QTest::newRow("update every 5 minutes, refreshed at once")
        << u"CBTimeOut"_s << 4 << u"204|  Vornix (интервал обновлений 5 мин.)|305000|0|1"_s;
    QTest::newRow("stay on top")
        << u"ChBStayOnTop"_s << 1 << u"204|  Vornix (интервал обновлений 30 мин.)|1805000|1|1"_s;
  }
  void settingsApplyAtOnce() {
    QFETCH(QString, control);
    QFETCH(int, value);
    QFETCH(QString, after);
    startTwoBoards();
    show();
    FForm->KivTabSet1->setTabIndex(1);
    QTRY_COMPARE(shownTitle(), u"alpha"_s);
    FEvents.clear();
    QObject *setting = FSettings->findChild<QObject *>(control);
    if (auto *box = qobject_cast<QComboBox *>(setting))
      box->setCurrentIndex(value);
    else
      qobject_cast<QCheckBox *>(setting)->setChecked(value == 1);
    const QString state =
        u"%1|%2|%3|%4|%5"_s.arg(qRound(FForm->windowOpacity() * 255))
            .arg(FForm->windowTitle())
            .arg(FForm->Timer1->interval())
            .arg(FForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? 1 : 0)
            .arg(FEvents.isEmpty() ? 0 : 1);
    QCOMPARE(state, after);
    QVERIFY(contentOf(FData->file(u"vxss.ini"_s)).startsWith("[FormSetting]\r\n"));
  }
};

QTEST_MAIN(TestWindowState)
#include "tst_WindowState.moc"
