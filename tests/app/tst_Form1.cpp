#include "app/TrayActivation.h"
#include "app/TrayAnimation.h"
#include "platform/BusyWait.h"
#include "support/BoardWindows.h"

#include <QAccessible>
#include <QTextEdit>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TTrayMode)

class TestForm1 : public QObject, TBoardWindows {
  Q_OBJECT

private Q_SLOTS:
  void init() {
    setUpBoard();
    createWindows();
  }
  void cleanup() { tearDownBoard(); }

  // Every item in order, "-" for a separator, a submenu in brackets and the
  // default item starred; a new start lists only the archive as a site.
  void menuTrees_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("tree");
    QTest::newRow("main menu") << u"MainMenu1"_s
                               << u"Файл[Скрыть|-|Выход]|Источник[Архив]|Категория[]|Настройки|"
                                  "Справка[Сайт программы|-|О программе]"_s;
    QTest::newRow("tray menu") << u"KivPopupMenu1"_s
                               << u"*Показать|-|Настройки|-|Сайт[Архив]|Категория[]|-|Выход"_s;
  }
  void menuTrees() {
    QFETCH(QString, menu);
    QFETCH(QString, tree);
    const std::function<QString(const QWidget *)> flatten = [&](const QWidget *w) {
      const auto *asMenu = qobject_cast<const QMenu *>(w);
      QStringList items;
      for (const QAction *a : w->actions())
        items << (asMenu && asMenu->defaultAction() == a ? u"*"_s : QString()) +
                     (a->isSeparator() ? u"-"_s : a->text()) +
                     (a->menu() ? u'[' + flatten(a->menu()) + u']' : QString());
      return items.join(u'|');
    };
    QCOMPARE(flatten(FForm->findChild<QWidget *>(menu)), tree);
  }

  void firstStartOpensNearTheBottomRightCorner() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(QRect(FForm->pos(), FForm->size()),
             QRect(screen.width() - 670 - 50, screen.height() - 300 - 100, 670, 300));
  }

  void siteTabsShowTheSelectedTitleInOlive() {
    FForm->KivTabSet1->resize(480, 100);
    const QImage image = FForm->KivTabSet1->grab().toImage();
    const QRect title = FForm->KivTabSet1->titleRect(0);
    int olive = 0;
    for (int x = title.left(); x <= title.right(); ++x)
      for (int y = title.top(); y <= title.bottom(); ++y)
        olive += image.pixelColor(x, y) == QColor(0x80, 0x80, 0x00) ? 1 : 0;
    QVERIFY(olive > 0);
  }

  // A saved place is any number, a size only a positive one, and the window is
  // never narrower than the side panel needs: 670 with it, 510 without.
  void restoredStateAndTheWidthRule() {
    const QPoint before = FForm->pos();
    FForm->resize(300, 200);
    QCOMPARE(FForm->size(), QSize(670, 300));
    FForm->lft->setText(u"0"_s);
    FForm->lfl->setText(u"abc"_s);
    FForm->lfw->setText(u"700"_s);
    FForm->lfh->setText(u"-5"_s);
    FForm->lti->setText(u"3"_s); // more than there are tabs
    FForm->EditFilter->setText(u"qt c++"_s);
    FForm->KivTextResIni1AfterExecute();
    QCOMPARE(FForm->pos(), QPoint(before.x(), 0));
    QCOMPARE(FForm->size(), QSize(700, 300));
    QCOMPARE(FForm->KivTabSet1->TabIndex(), 0);
    QVERIFY(FForm->ChBFiltered->isEnabled());
    QCOMPARE(FForm->FilterText, u"qt c++"_s);
    FForm->lfw->setText(u"300"_s);
    FForm->lzenv->setText(u"0"_s);
    FForm->KivTextResIni1AfterExecute();
    QCOMPARE(FForm->width(), 510);
    FForm->lzenv->setText(u"True"_s);
    FForm->KivTextResIni1AfterExecute();
    QCOMPARE(FForm->width(), 670);
    bool use = true;
    TForm1::KivTextResIni1UseReadVal(FForm->EditFilter, u"Text"_s, QString(), use);
    QVERIFY(!use);
    TForm1::KivTextResIni1UseReadVal(FForm->lzenv, u"Caption"_s, u"0"_s, use);
    QVERIFY(use);
  }

  // The end-to-end run sees them made at a first start; a later one empties them again.
  void foldersAndMarkersAreEmptiedAtEveryStart() {
    const QStringList markers{u"xml/null.txt"_s, u"xslt/null.txt"_s, u"html/null.txt"_s};
    for (const QString &f : markers)
      put(FData->file(f), "left over");
    FForm = std::make_unique<TForm1>();
    for (const QString &f : markers)
      QCOMPARE(contentOf(FData->file(f)), QByteArray());
  }

  // The tray the window goes to; offscreen there is none to find.
  void setTray(TTrayMode mode) {
    FForm->setTrayProbe([mode] { return mode; });
  }
  // Out of sight: in the tray, or minimised to the taskbar without one.
  bool away() const {
    return FForm->trayMode() == TTrayMode::None ? FForm->isVisible() && FForm->isMinimized()
                                                : FForm->isHidden();
  }
  void enter(const QString &way) {
    const QMap<QString, std::function<void()>> ways{
        {u"N9"_s, [this] { FForm->N9->trigger(); }},
        {u"N13"_s, [this] { FForm->N13->trigger(); }},
        {u"click"_s, [this] { FForm->TrayIcon1Click(); }},
        {u"double-click"_s, [this] { FForm->TrayIcon1DblClick(); }},
        {u"minimise"_s, [this] { FForm->showMinimized(); }},
        {u"run again"_s, [this] { FForm->BringForward(); }}};
    ways.value(way)();
    QCoreApplication::processEvents(); // a menu's choice is acted on from the event loop
  }

  // Every way out of sight and back, the tray coming or going meanwhile: the window stays in
  // reach and returns where it was, as large, the caption following without the menu opening.
  // An empty "out" leaves it shown; an empty "back" expects the tray's going to show it.
  void showHideAndTheTray_data() {
    QTest::addColumn<TTrayMode>("mode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<TTrayMode>("to");
    QTest::addColumn<QString>("back");
    const auto x = TTrayMode::XEmbed, sni = TTrayMode::StatusNotifier, none = TTrayMode::None;
    QTest::newRow("main menu, tray menu") << x << "N13" << x << "N9";
    QTest::newRow("minimise, run again") << x << "minimise" << x << "run again";
    QTest::newRow("no tray: Скрыть, Показать") << none << "N13" << none << "N9";
    QTest::newRow("no tray: minimise, run again") << none << "minimise" << none << "run again";
    QTest::newRow("shown, tray goes") << x << "" << none << "";
    QTest::newRow("in the tray, tray goes") << x << "N9" << none << "";
    QTest::newRow("minimised, tray comes") << none << "minimise" << x << "double-click";
    QTest::newRow("double-click, SNI host comes, click") << x << "double-click" << sni << "click";
  }
  void showHideAndTheTray() {
    QFETCH(TTrayMode, mode);
    QFETCH(QString, out);
    QFETCH(TTrayMode, to);
    QFETCH(QString, back);
    setTray(mode);
    FForm->N9Click();
    // The first show leaves none of the view's design-time placeholders on screen.
    QCOMPARE(FForm->ItemView->FViRSSPubDate->text(), QString());
    QVERIFY(!FForm->Button3->isEnabled());
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get())); // a window manager places it first
    FForm->setGeometry(FForm->geometry().translated(-40, -30).adjusted(0, 0, 30, 50));
    const QRect place = FForm->geometry();
    if (!out.isEmpty()) {
      enter(out);
      QTRY_VERIFY(away());
    }
    setTray(to);
    QCOMPARE(FForm->windowType(), to == TTrayMode::None ? Qt::Window : Qt::Tool);
    if (!back.isEmpty()) {
      QTest::qWait(50); // a late echo of the old state must not bring the window back
      if (to != TTrayMode::StatusNotifier)
        FForm->TrayIcon1Click(); // the first click of a double-click must not flash the window
      QVERIFY(away());
      QCOMPARE(FForm->N9->text(), u"Показать"_s);
      enter(back);
    }
    QVERIFY(FForm->shownOnScreen());
    QCOMPARE(FForm->geometry(), place);
    QCOMPARE(FForm->N9->text(), u"Скрыть"_s);
  }

  // A window the user brings forward shows the balloon of a stay-on-top
  // window again for another while.
  void activationRefreshesTheBalloon() {
    setTray(TTrayMode::XEmbed);
    FForm->N9Click();
    QTRY_VERIFY(FForm->isActiveWindow()); // the show's own activation
    FForm->applyStayOnTop(true);
    QWidget other; // another program's window takes the focus
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!FForm->isActiveWindow());
    FForm->TimerHideBallon->setTimerType(Qt::PreciseTimer); // a coarse one may tell 5% less
    FForm->TimerHideBallon->start();                        // a balloon is up
    QTest::qWait(300);
    const auto restarted = [this] { return FForm->TimerHideBallon->remainingTime() > 4800; };
    QVERIFY(FForm->TimerHideBallon->isActive() && !restarted());
    FForm->TrayIcon1Click();
    QTRY_VERIFY(FForm->isActiveWindow());
    QVERIFY(restarted());
  }

  // Both menus' "Настройки": a second choice must not build a second window.
  void settingsChosenTwiceIsOneWindowBroughtForward() {
    FForm->N9Click();
    FForm->N2->trigger();
    FForm->N7->trigger();
    QCoreApplication::processEvents();
    int open = 0;
    for (const QWidget *w : QApplication::topLevelWidgets())
      open += qobject_cast<const TFormSetting *>(w) && w->isVisible() ? 1 : 0;
    QCOMPARE(open, 1);
    QTRY_VERIFY(FSettings->isActiveWindow());
  }

  // A single click only brings a shown window forward, so the first click of a
  // double-click never flashes a hidden one; an SNI host has no double-click.
  void trayActivation() {
    using A = TTrayAction;
    using R = QSystemTrayIcon;
    const auto x = TTrayMode::XEmbed, sni = TTrayMode::StatusNotifier;
    const std::tuple<TTrayMode, R::ActivationReason, bool, A> rows[]{
        {x, R::Trigger, true, A::BringForward},
        {x, R::Trigger, false, A::Nothing},
        {sni, R::Trigger, true, A::Toggle},
        {sni, R::Context, false, A::Nothing}};
    for (const auto &[mode, reason, shown, action] : rows)
      QCOMPARE(TrayActivationAction(mode, reason, shown), action);
  }

  // The frame is rounded half way and held at its ends, goes on its own without
  // taking the focus, ends when a wait holds its ticks, and a window closed
  // mid-flight takes it along.
  void trayAnimationFlight() {
    const QRect icon(1200, 770, 24, 24), window(-10, 100, 670, 300);
    QCOMPARE(TweenRect(icon, window, 0.5), QRect(595, 435, 347, 162));
    QCOMPARE(TweenRect(icon, window, -0.5), icon);
    QCOMPARE(TweenRect(icon, window, 1.5), window);
    auto *frame = new TTrayAnimation(FForm.get());
    frame->fly(icon, window);
    QVERIFY(frame->isVisible() && frame->isFlying() && !frame->isActiveWindow());
    QTRY_VERIFY(!frame->isVisible());
    QCOMPARE(frame->geometry(), window);
    frame->fly(window, icon);
    TBusyWait::until([] { return false; }, QDeadlineTimer(20));
    QVERIFY(!frame->isVisible());
    frame->fly(window, icon);
    FForm->close();
    FForm.reset();
    QTest::qWait(250); // an animation outliving its frame would fail here
  }

  // Nothing of an earlier feed stays behind, the link behind its title included.
  void clearViewLeavesNothingBehind() {
    FForm->ItemCount = 9;
    FForm->CBFastTransition->addItem(u"1"_s);
    FForm->Button3->setEnabled(true);
    FForm->FeedTitleLabel->setURL(u"http://x"_s);
    FForm->ItemView->setDescription(u"old"_s);
    FForm->ReportStatus(-1, u"Документ"_s, u"Файл загружен."_s);
    FForm->ClearView();
    QCOMPARE(FForm->ItemCount, 0);
    QCOMPARE(FForm->CBFastTransition->count(), 0);
    QVERIFY(!FForm->Button3->isEnabled());
    QCOMPARE(FForm->FeedTitleLabel->URL(), QString());
    QCOMPARE(FForm->ItemView->FViRSSDescription->toPlainText(), QString());
    QCOMPARE(FForm->statusText(), QString());
  }

  // Qt sends a control's hint as the pointer enters it and an empty one as it
  // leaves, and sends the hint again as the pointer comes back from the
  // control's own pop-up; only a move onto another control may cover an outcome.
  void hintsNeverWipeAnOutcome() {
    FForm->N9Click();
    QComboBox *jumpList = FForm->CBFastTransition;
    jumpList->addItems({u"1"_s, u"2"_s, u"3"_s});
    const auto tip = [this](QWidget *control, bool enters) {
      QStatusTipEvent event(enters ? control->statusTip() : QString());
      QApplication::sendEvent(control, &event);
      return FForm->statusText();
    };
    QCOMPARE(tip(jumpList, true), u" Быстрый переход"_s);
    jumpList->showPopup();
    tip(jumpList, false);
    FForm->ReportStatus(-1, u"Документ"_s, u"Элемент 3 загружен."_s);
    jumpList->hidePopup();
    QCOMPARE(tip(jumpList, true), u" Элемент 3 загружен."_s);
    QCOMPARE(tip(jumpList, false), u" Элемент 3 загружен."_s); // off to a control without a hint
    QCOMPARE(tip(FForm->EditFilter, true), u" Введите ключевые слова через пробел"_s);
    QCOMPARE(tip(FForm->EditFilter, false), u" Элемент 3 загружен."_s);
    QCOMPARE(tip(jumpList, true), u" Быстрый переход"_s);
    // Assistive technology reads the line as it shows.
    FForm->ReportStatus(-1, u"Документ"_s, u"http://x\rОбновление выполнено."_s);
    QCOMPARE(FForm->statusText(), u" http://x\rОбновление выполнено."_s);
    QAccessibleInterface *status = QAccessible::queryAccessibleInterface(FForm->StatusBar1Text);
    QVERIFY(status);
    QCOMPARE(status->text(QAccessible::Name), u" http://x Обновление выполнено."_s);
  }

  void everyControlHasAnAccessibleName() {
    FForm->N9Click();
    const auto widgets = FForm->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
      if (!w->isVisible() || !(qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) ||
                               qobject_cast<QComboBox *>(w) || qobject_cast<TKivCustomTabSet *>(w)))
        continue;
      QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
      QVERIFY(a);
      QVERIFY2(!a->text(QAccessible::Name).isEmpty(), qPrintable(w->objectName()));
    }
    // A clear button would empty the filter behind the key handling's back.
    QVERIFY(!FForm->EditFilter->isClearButtonEnabled());
  }
};

QTEST_MAIN(TestForm1)
#include "tst_Form1.moc"
