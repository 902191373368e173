#include "app/Unit1.h"
#include "components/KivGroupBox.h"
#include "components/KivTabSet.h"
#include "feeds/RSSViewItem.h"
#include "feeds/URLLbl.h"
#include "settings/RSSItemData.h"
#include "settings/Unit2.h"
#include "support/QuietWindows.h"
#include "support/TempDataFolder.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestForm1 : public QObject {
  Q_OBJECT
  std::unique_ptr<TTempDataFolder> FData;
  std::unique_ptr<TFormSetting> FSettings;
  std::unique_ptr<TForm1> FForm;

  QByteArray contentOf(const QString &relative) {
    QFile f(FData->file(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }

private Q_SLOTS:
  void initTestCase() {
    QApplication::setApplicationDisplayName(u"Vornix"_s);
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
  }
  void init() {
    FData = std::make_unique<TTempDataFolder>();
    CreateQuietWindows(FSettings, FForm);
  }
  void cleanup() {
    FForm.reset();
    FSettings.reset();
    FData.reset();
  }

  void controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("EditFilter") << u"EditFilter"_s << QString()
                                << u"Введите ключевые слова через пробел"_s << true;
    QTest::newRow("ChBFiltered") << u"ChBFiltered"_s << u"Фильтр"_s << QString() << false;
    QTest::newRow("Button3") << u"Button3"_s << u"Удалить"_s << QString() << false;
    QTest::newRow("Button2") << u"Button2"_s << u"<Назад"_s << QString() << false;
    QTest::newRow("CBFastTransition")
        << u"CBFastTransition"_s << QString() << u"Быстрый переход"_s << false;
    QTest::newRow("Button1") << u"Button1"_s << u"Далее>"_s << QString() << false;
    QTest::newRow("KivXPSpeedButton1")
        << u"KivXPSpeedButton1"_s << QString() << u"Отключить \"Zentara\""_s << true;
    QTest::newRow("EGBScrollBoxAdvertising")
        << u"EGBScrollBoxAdvertising"_s << u" Zentara "_s << QString() << true;
    for (const auto &[name, caption] : {std::pair{"lft", "0"},
                                        {"lfl", "0"},
                                        {"lfw", "670"},
                                        {"lfh", "300"},
                                        {"lti", "0"},
                                        {"lzenv", "-1"}})
      QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption) << QString()
                          << true;
  }
  void controls() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, hint);
    QFETCH(bool, enabled);
    auto *w = FForm->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QString shown;
    if (auto *b = qobject_cast<QAbstractButton *>(w))
      shown = b->text();
    else if (auto *l = qobject_cast<QLabel *>(w))
      shown = l->text();
    else if (auto *e = qobject_cast<QLineEdit *>(w))
      shown = e->text();
    else if (auto *g = qobject_cast<TKivGroupBox *>(w))
      shown = g->Caption();
    QCOMPARE(shown, text);
    QCOMPARE(w->toolTip(), hint);
    QCOMPARE(w->isEnabled(), enabled);
    // A clear button would empty the filter behind the key handling's back.
    if (auto *e = qobject_cast<QLineEdit *>(w))
      QVERIFY(!e->isClearButtonEnabled());
  }

  void menusInOrder() {
    auto captions = [](const QList<QAction *> &actions) {
      QStringList list;
      for (const QAction *a : actions)
        list << (a->isSeparator() ? u"-"_s : a->text());
      return list;
    };
    QCOMPARE(captions(FForm->KivPopupMenu1->actions()),
             (QStringList{u"Показать"_s, u"-"_s, u"Настройки"_s, u"-"_s, u"Сайт"_s, u"Категория"_s,
                          u"-"_s, u"Выход"_s}));
    QCOMPARE(FForm->KivPopupMenu1->defaultAction(), FForm->N9);
    QCOMPARE(captions(FForm->menuBar()->actions()),
             (QStringList{u"Файл"_s, u"Источник"_s, u"Категория"_s, u"Настройки"_s, u"Справка"_s}));
    QCOMPARE(captions(FForm->N1->actions()), (QStringList{u"Скрыть"_s, u"-"_s, u"Выход"_s}));
    QCOMPARE(captions(FForm->N15->actions()),
             (QStringList{u"Сайт программы"_s, u"-"_s, u"О программе"_s}));
  }

  void createSetsTheStageBeforeTheFirstShow() {
    QCOMPARE(FForm->windowTitle(), u"  Vornix"_s);
    QVERIFY(FForm->startingOrClosing());
    QVERIFY(FForm->windowFlags() & Qt::Tool);
    QCOMPARE(FForm->KivTabSet1->TabsList().captions(), QStringList{u"Архив"_s});
    QCOMPARE(FForm->KivTabSet1->TabIndex(), 0);
    QCOMPARE(FForm->FeedTitleLabel->font().pointSize(), 11);
    QCOMPARE(FForm->FeedInfoLabel->font().pointSize(), 7);
    QCOMPARE(FForm->ItemView->FViRSSTitle->font().pointSize(), 10);
    QCOMPARE(FForm->FeedInfoLabel->palette().color(QPalette::WindowText), QColor(0x6A, 0x6A, 0x6A));
    // Building the tabs from the catalogue empties the view's placeholders.
    QCOMPARE(FForm->ItemView->FViRSSPubDate->text(), QString());
    QVERIFY(FForm->KivTabSet1->TabsList().objects(0).value<TRSSItemData *>());
    QCOMPARE(FForm->stateFileName(), FData->file(u"vx.ini"_s));
    QCOMPARE(FForm->ArchiveTemplate,
             u"<?xml version=\"1.0\" encoding=\"windows-1251\" ?><rss version=\"2.0\"><channel>"
             "<title>Vornix "
             "архив</title><link>https://vornix.example.org/ru/softsother/catalogs/vx/</link>"
             "<description>Vornix arhive</description><lastBuildDate></lastBuildDate>"
             "<avxnewitems></avxnewitems></channel></rss>"_s);
    QVERIFY(FForm->ArchiveItemTemplate.endsWith(u"</item><avxnewitems></avxnewitems>"_s));
    QVERIFY(!FForm->ArchiveItemTemplate.contains(u'\n'));
  }

  void firstStartOpensNearTheBottomRightCorner() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(FForm->size(), QSize(670, 300));
    QCOMPARE(FForm->pos(), QPoint(screen.width() - 670 - 50, screen.height() - 300 - 100));
  }

  void widthRuleFollowsTheSidePanel() {
    FForm->resize(300, 200);
    QCOMPARE(FForm->width(), 670);
    QCOMPARE(FForm->height(), 300);
    FForm->lzenv->setText(u"0"_s);
    FForm->KivTextResIni1AfterExecute(true);
    FForm->resize(300, 300);
    QCOMPARE(FForm->width(), 510);
    FForm->lzenv->setText(u"True"_s);
    FForm->KivTextResIni1AfterExecute(true);
    QCOMPARE(FForm->width(), 670);
  }

  void siteTabsShowTheSelectedTitleInOlive() {
    TKivTabSet *tabs = FForm->KivTabSet1;
    QVERIFY(tabs->HotTrack());
    QVERIFY(!tabs->MarkTabFocused());
    QCOMPARE(tabs->TabsBorderWidth(), 0);
    QCOMPARE(tabs->TabsPosition(), etpTop);
    QCOMPARE(tabs->TabsStyle(), etsObliqueRectangular);
    tabs->resize(480, 100);
    const QImage image = tabs->grab().toImage();
    const QRect title = tabs->titleRect(0);
    int olive = 0;
    for (int x = title.left(); x <= title.right(); ++x) {
      for (int y = title.top(); y <= title.bottom(); ++y)
        olive += image.pixelColor(x, y) == QColor(0x80, 0x80, 0x00) ? 1 : 0;
    }
    QVERIFY(olive > 0);
  }

  void restoredStateAppliesOnlyPositiveValues() {
    const QPoint before = FForm->pos();
    FForm->lft->setText(u"0"_s);
    FForm->lfl->setText(u"abc"_s);
    FForm->lfw->setText(u"800"_s);
    FForm->lfh->setText(u"-5"_s);
    FForm->lti->setText(u"3"_s); // more than there are tabs
    FForm->EditFilter->setText(u"qt c++"_s);
    FForm->KivTextResIni1AfterExecute(true);
    QCOMPARE(FForm->pos(), before);
    QCOMPARE(FForm->size(), QSize(800, 300));
    QCOMPARE(FForm->KivTabSet1->TabIndex(), 0);
    QVERIFY(FForm->ChBFiltered->isEnabled());
    QCOMPARE(FForm->FilterText, u"qt c++"_s);
    QVERIFY(!FForm->KivTextResIni1UseReadVal(QString()));
    QVERIFY(FForm->KivTextResIni1UseReadVal(u"0"_s));
  }

  void foldersAndMarkersAreEmptiedAtEveryStart() {
    for (const QString &f : {u"xml/null.txt"_s, u"xslt/null.txt"_s, u"html/null.txt"_s}) {
      QCOMPARE(contentOf(f), QByteArray());
      QFile marker(FData->file(f));
      QVERIFY(marker.open(QIODevice::WriteOnly));
      marker.write("left over");
    }
    FForm.reset();
    FForm = std::make_unique<TForm1>();
    for (const QString &f : {u"xml/null.txt"_s, u"xslt/null.txt"_s, u"html/null.txt"_s})
      QCOMPARE(contentOf(f), QByteArray());
  }

  void firstShowEmptiesTheViewAndSetsTheArchiveButton() {
    FForm->N9Click();
    QVERIFY(FForm->isVisible());
    QVERIFY(!FForm->startingOrClosing());
    QCOMPARE(FForm->ItemView->FViRSSPubDate->text(), QString());
    QCOMPARE(FForm->Button3->text(), u"Удалить"_s);
    QVERIFY(!FForm->Button3->isEnabled());
    QCOMPARE(FForm->lti->text(), u"0"_s);
  }

  // The tray menu's caption follows without the menu announcing that it opens.
  void showHideToggleAndMinimise() {
    FForm->N9Click();
    QCOMPARE(FForm->N9->text(), u"Скрыть"_s);
    FForm->N9Click();
    QVERIFY(FForm->isHidden());
    QCOMPARE(FForm->N9->text(), u"Показать"_s);
    FForm->TrayIcon1Click(); // a single click never shows a hidden window
    QVERIFY(FForm->isHidden());
    FForm->TrayIcon1DblClick();
    QVERIFY(FForm->isVisible());
    FForm->showMinimized();
    QTRY_VERIFY(FForm->isHidden());
    QCOMPARE(FForm->N9->text(), u"Показать"_s);
    FForm->TrayIcon1DblClick();
    QVERIFY(FForm->isVisible());
    QVERIFY(!FForm->isMinimized());
  }

  // Qt sends a control's hint as the pointer enters it and an empty one as it
  // leaves, and sends the hint again as the pointer comes back from the
  // control's own pop-up; only a move onto another control may cover an outcome.
  void hintsNeverWipeAnOutcome() {
    FForm->N9Click();
    const auto tip = [](QWidget *control, const QString &text) {
      QStatusTipEvent event(text);
      QApplication::sendEvent(control, &event);
    };
    QComboBox *jumpList = FForm->CBFastTransition;
    jumpList->addItems({u"1"_s, u"2"_s, u"3"_s});
    tip(jumpList, jumpList->statusTip());
    QCOMPARE(FForm->statusText(), u" Быстрый переход"_s);
    jumpList->showPopup();
    tip(jumpList, QString());
    FForm->ReportStatus(-1, u"Документ"_s, u"Элемент 3 загружен."_s);
    jumpList->hidePopup();
    tip(jumpList, jumpList->statusTip());
    QCOMPARE(FForm->statusText(), u" Элемент 3 загружен."_s);
    tip(jumpList, QString()); // off to a control without a hint
    QCOMPARE(FForm->statusText(), u" Элемент 3 загружен."_s);
    tip(FForm->EditFilter, FForm->EditFilter->statusTip());
    QCOMPARE(FForm->statusText(), u" Введите ключевые слова через пробел"_s);
    tip(FForm->EditFilter, QString());
    QCOMPARE(FForm->statusText(), u" Элемент 3 загружен."_s);
    tip(jumpList, jumpList->statusTip());
    QCOMPARE(FForm->statusText(), u" Быстрый переход"_s);
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
  }

  void clearViewAndCategoryMenus() {
    FForm->CurrentItem = 4;
    FForm->ItemCount = 9;
    FForm->CBFastTransition->addItems({u"1"_s, u"2"_s});
    FForm->CBFastTransition->setEnabled(true);
    FForm->FeedTitleLabel->setText(u"Feed"_s);
    FForm->FeedTitleLabel->setURL(u"http://x"_s);
    FForm->ClearView();
    QCOMPARE(FForm->CurrentItem, 0);
    QCOMPARE(FForm->ItemCount, 0);
    QCOMPARE(FForm->CBFastTransition->count(), 0);
    QVERIFY(!FForm->CBFastTransition->isEnabled());
    QCOMPARE(FForm->FeedTitleLabel->URL(), QString());
    QCOMPARE(FForm->ItemView->FViRSSDescription->toPlainText(), QString());
    QCOMPARE(FForm->statusText(), QString());

    FForm->N3->addAction(u"web"_s);
    FForm->N5->addAction(u"web"_s);
    FForm->N3->setEnabled(true);
    FForm->ClearCategoryMenus();
    QVERIFY(FForm->N3->isEmpty());
    QVERIFY(FForm->N5->isEmpty());
    QVERIFY(!FForm->N3->isEnabled());
  }

  void restartTimerRunsTheTickFirstWhenAsked() {
    QTimer *t = FForm->TimerHideBallon;
    t->setInterval(60000);
    t->start();
    FForm->RestartTimer(t, false);
    QVERIFY(t->isActive());
    QVERIFY(t->remainingTime() > 59000);
    // Its tick switches it off; the restart that follows switches it on again.
    FForm->RestartTimer(t, true);
    QVERIFY(t->isActive());
  }

  void closeEndsTheProgramAndFreesTheView() {
    FForm->N9Click();
    FForm->N4Click();
    QVERIFY(FForm->isHidden());
    QVERIFY(FForm->startingOrClosing());
    QVERIFY(FForm->ItemView == nullptr);
    QVERIFY(FForm->FeedTitleLabel == nullptr);
  }
};

QTEST_MAIN(TestForm1)
#include "tst_Form1.moc"
