#include "components/KivTabControl.h"

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Two pages as the settings window has them: tabs on the left, rectangular,
// captions aligned left; the first page holds an edit, the second nothing
// that takes the focus.
struct TSettingsLikeControl {
  QWidget window;
  TKivTabControl *control;
  TKivTabPage *sites;
  TKivTabPage *settings;
  QLineEdit *siteName;

  TSettingsLikeControl() {
    auto *column = new QVBoxLayout(&window);
    control = new TKivTabControl(&window);
    control->setTabsPosition(etpLeft);
    control->setTabsStyle(etsRectangular);
    control->setAlignment(Qt::AlignLeft);
    sites = new TKivTabPage(control, u"Сайты"_s);
    settings = new TKivTabPage(control, u"Настройки"_s);
    siteName = new QLineEdit(sites);
    column->addWidget(control);
    window.resize(429, 330);
  }
  void show() {
    window.show();
    QApplication::setActiveWindow(&window);
    QCoreApplication::processEvents();
  }
};

} // namespace

class TestKivTabControl : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void tabsFollowThePagesAndTheFirstIsShown();
  void selectingShowsOnlyThatPageAndMovesTheFocus();
  void activePageByCaption();
  void removingAPageRemovesItsTab();
};

void TestKivTabControl::tabsFollowThePagesAndTheFirstIsShown() {
  TSettingsLikeControl w;
  QCOMPARE(w.control->TabsList().captions(), (QStringList{u"Сайты"_s, u"Настройки"_s}));
  QCOMPARE(w.control->TabIndex(), -1); // adding pages selects nothing
  w.show();
  QCOMPARE(w.control->TabIndex(), 0);
  QVERIFY(w.sites->isVisible());
  QVERIFY(!w.settings->isVisible());
  // The page fills the area beside the tab column.
  QCOMPARE(w.sites->geometry(), w.control->contentsRect());
  QVERIFY(w.sites->x() >= w.control->tabRect(0).right());
  w.settings->setCaption(u"Прочее"_s);
  QCOMPARE(w.control->TabsList().strings(1), u"Прочее"_s);
}

void TestKivTabControl::selectingShowsOnlyThatPageAndMovesTheFocus() {
  TSettingsLikeControl w;
  w.control->setColorPage(QColor(0x12, 0x34, 0x56));
  w.show();
  w.control->setFocus();
  w.control->setTabIndex(1);
  QVERIFY(!w.sites->isVisible());
  QVERIFY(w.settings->isVisible());
  QCOMPARE(w.settings->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));
  QVERIFY(w.control->hasFocus()); // nothing on the page takes it
  w.control->setTabIndex(0);
  QVERIFY(w.siteName->hasFocus());
  QVERIFY(!w.settings->isVisible());
}

void TestKivTabControl::activePageByCaption() {
  TSettingsLikeControl w;
  w.show();
  QCOMPARE(w.control->ActivePage(), u"Сайты"_s);
  w.control->setActivePage(u"Настройки"_s);
  QCOMPARE(w.control->TabIndex(), 1);
  w.control->setActivePage(u"Нет такой"_s);
  QCOMPARE(w.control->TabIndex(), 1);
}

void TestKivTabControl::removingAPageRemovesItsTab() {
  TSettingsLikeControl w;
  w.show();
  w.control->setTabIndex(1);
  delete w.settings;
  QCOMPARE(w.control->TabsList().captions(), QStringList{u"Сайты"_s});
  QCOMPARE(w.control->TabIndex(), 0);
  QVERIFY(w.sites->isVisible());
}

QTEST_MAIN(TestKivTabControl)
#include "tst_KivTabControl.moc"
