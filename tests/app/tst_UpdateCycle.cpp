#include "support/BoardWindows.h"

#include <QElapsedTimer>
#include <QMessageBox>

using namespace Qt::StringLiterals;

class TestUpdateCycle : public QObject, TBoardWindows {
  Q_OBJECT

  // A menu as "<caption>#<tag>" per item, a ticked one followed by "*".
  static QStringList items(const QMenu *menu) {
    QStringList list;
    for (const QAction *item : menu->actions())
      list << item->text() + u'#' + item->data().toString() + (item->isChecked() ? u"*"_s : u""_s);
    return list;
  }
  // Tabs: 0 the archive; 1 "Web" with a feed of three items and a category
  // without an address; 2 "Дизайн" with two feeds; 3 "Empty" with none.
  // With `tab` chosen after the first show, unless negative.
  void startSites(int tab = -1) {
    writeCatalogue(
        u"[item_1]\r\ntitle=Web\r\n10_name=Jobs\r\n10_url=%1\r\n11_name=Nowhere\r\n11_url="
        u"\r\n[item_2]\r\ntitle=Дизайн\r\n20_name=Logo\r\n20_url=%2\r\n21_name=Banner\r\n"
        u"21_url=%3\r\n[item_3]\r\ntitle=Empty\r\n"_s.arg(
            FServer->url("/jobs"), FServer->url("/logo"), FServer->url("/banner")));
    createWindows();
    if (tab < 0)
      return;
    FForm->N9Click();
    FForm->KivTabSet1->setTabIndex(tab);
  }

private Q_SLOTS:
  void init() {
    setUpBoard();
    FServer->route("/jobs", TTestResponse::ok(FeedOf({u"alpha"_s, u"beta"_s, u"gamma"_s})));
    for (const QString &word : {u"logo"_s, u"banner"_s})
      FServer->route("/" + word.toLatin1(), TTestResponse::ok(FeedOf({word})));
  }
  void cleanup() { tearDownBoard(); }

  // Every way of choosing, from "Дизайн" with "Logo" on screen, and then
  // "<ticked in Источник>; <Категория>; <item shown>; <downloads>, "loaded"
  // per feed file read". The site already ticked stays as it is; the category
  // already ticked is read again from its fresh copy.
  void choose_data() {
    QTest::addColumn<QString>("menu"); // its name, "strip", or "rebuilt" on the settings' site
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("after");
    const QString web = u"Web#1*; Jobs#0*|Nowhere#1; alpha; /jobs loaded"_s;
    const QString archive = u"Архив#0*; Архив сообщений#0*; ; loaded"_s;
    const QString logo = u"Дизайн#2*; Logo#0*|Banner#1; logo; "_s;
    const QString banner = u"Дизайн#2*; Logo#0|Banner#1*; banner; /banner loaded"_s;
    QTest::newRow("strip: a site") << u"strip"_s << 1 << web;
    QTest::newRow("Источник: a site") << u"N17"_s << 1 << web;
    QTest::newRow("tray Сайт: a site") << u"N6"_s << 1 << web;
    QTest::newRow("strip: the archive") << u"strip"_s << 0 << archive;
    QTest::newRow("strip: a site without feeds") << u"strip"_s << 3 << u"Empty#3*; ; ; "_s;
    QTest::newRow("rebuilt: a site") << u"rebuilt"_s << 1 << web;
    QTest::newRow("rebuilt: the archive") << u"rebuilt"_s << 0 << archive;
    QTest::newRow("rebuilt: none chosen") << u"rebuilt"_s << -1 << archive;
    QTest::newRow("Источник: the site ticked") << u"N17"_s << 2 << logo;
    QTest::newRow("tray Сайт: the site ticked") << u"N6"_s << 2 << logo;
    QTest::newRow("Категория: a category") << u"N3"_s << 1 << banner;
    QTest::newRow("tray Категория: a category") << u"N5"_s << 1 << banner;
    QTest::newRow("Категория: the category ticked") << u"N3"_s << 0 << logo + u"loaded"_s;
    QTest::newRow("tray Категория: the category ticked") << u"N5"_s << 0 << logo + u"loaded"_s;
  }
  void choose() {
    QFETCH(QString, menu);
    QFETCH(int, index);
    startSites(2);
    const qsizetype requests = FServer->requests().size();
    const qsizetype reports = FReports.size();
    if (menu == u"strip"_s) {
      FForm->KivTabSet1->setTabIndex(index);
    } else if (menu == u"rebuilt"_s) {
      FSettings->CBSites->setCurrentIndex(index);
      FForm->RebuildSiteTabs();
    } else {
      FForm->findChild<QMenu *>(menu)->actions().at(index)->trigger();
      QCoreApplication::processEvents(); // a choice is acted on from the event loop
    }
    QStringList outcome;
    for (const TTestRequest &request : FServer->requests().mid(requests))
      outcome << QString::fromLatin1(request.path);
    outcome += QStringList(FReports.mid(reports).count(u"Файл загружен."_s), u"loaded"_s);
    QTEST(QStringList({items(FForm->N17).filter(u"*"_s).join(u'|'), items(FForm->N3).join(u'|'),
                       shownTitle(), outcome.join(u' ')})
              .join(u"; "_s),
          "after");
    QCOMPARE(FForm->lti->text(), QString::number(FForm->KivTabSet1->TabIndex()));
    QCOMPARE(FForm->N3->isEnabled(), !FForm->N3->isEmpty());
    // The tray's copies follow without its menu opening (some hosts never say
    // it does), and an opening replaces them, never adds.
    const QStringList tray = items(FForm->N6) + items(FForm->N5);
    QCOMPARE(tray, items(FForm->N17) + items(FForm->N3));
    for (int opened = 0; opened < 2; ++opened)
      Q_EMIT FForm->KivPopupMenu1->aboutToShow();
    QCOMPARE(items(FForm->N6) + items(FForm->N5), tray);
    QVERIFY(FForm->N6Action->isEnabled());
    QCOMPARE(FForm->N5Action->isEnabled(), !FForm->N5->isEmpty());
    for (const QAction *item : FForm->N5->actions())
      QCOMPARE(item->parent(), FForm->N5);
  }

  // Before the first show a tab change only relabels Button3. The show loads the
  // tab selected or restored, once, and makes it the settings window's site.
  void firstShow_data() {
    QTest::addColumn<bool>("restored");
    QTest::newRow("tab chosen before the show") << false;
    QTest::newRow("tab restored by the show") << true;
  }
  void firstShow() {
    QFETCH(bool, restored);
    startSites();
    if (restored)
      FForm->lti->setText(u"2"_s); // as the saved state leaves it
    else
      FForm->KivTabSet1->setTabIndex(2);
    QCOMPARE(FForm->Button3->text(), restored ? u"Удалить"_s : u"В архив"_s);
    QVERIFY(FForm->N3->isEmpty() && FServer->requests().isEmpty());
    FForm->N9Click();
    QCOMPARE(items(FForm->N3), (QStringList{u"Logo#0*"_s, u"Banner#1"_s}));
    QCOMPARE(requestsFor("/logo"), 1);
    QCOMPARE(FSettings->CBSites->currentIndex(), 2);
    FForm->KivTabSet1->setTabIndex(1);
    FForm->N9Click();
    FForm->N9Click();
    QCOMPARE(FSettings->CBSites->currentIndex(), 2);
  }

  void whatIsNeverDownloaded() {
    startSites(1);
    QVERIFY(FForm->Timer1->isActive());
    FEvents.clear();
    FForm->N3->actions().at(1)->trigger(); // the category without an address
    QCoreApplication::processEvents();
    QCOMPARE(FEvents, QStringList());
    QVERIFY(shownTitle().isEmpty());
    FForm->KivTabSet1->setTabIndex(0); // a tick on the archive tab does nothing
    const QStringList before = FEvents;
    FForm->Timer1Timer();
    QCOMPARE(FEvents, before);
  }

  // A refresh of the feed due again, its second item on screen; the last two
  // events. A failure shows any copy kept and names what failed.
  void tick_data() {
    QTest::addColumn<QStringList>("feed"); // empty: the server fails
    QTest::addColumn<bool>("keepPlace");
    QTest::addColumn<QString>("copy"); // kept, gone (before), vanishes (after the download)
    QTest::addColumn<QString>("by");   // tick, chosen (the category again), offline
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("events"); // joined by "|"
    const QStringList moved{u"first"_s, u"new"_s, u"alpha"_s, u"beta"_s};
    const QString failed = u"2 <url>\rНе удалось получить удаленный файл."_s;
    QTest::newRow("keeping the place: the same item where it moved")
        << moved << true << u"kept"_s << u"tick"_s << u"beta"_s
        << u"-1 Файл загружен.|-1 Элемент 4 загружен."_s;
    QTest::newRow("not keeping it: the same position")
        << moved << false << u"kept"_s << u"tick"_s << u"new"_s
        << u"-1 Файл загружен.|-1 Элемент 2 загружен."_s;
    QTest::newRow("server error: the copy kept is shown")
        << QStringList() << true << u"kept"_s << u"chosen"_s << u"alpha"_s
        << failed + u"|sound 0"_s;
    QTest::newRow("server error without a copy: the view stays")
        << QStringList() << true << u"gone"_s << u"tick"_s << u"beta"_s
        << failed + u"\rСписок пуст.|sound 0"_s;
    QTest::newRow("offline without a copy")
        << moved << true << u"gone"_s << u"offline"_s << u"beta"_s
        << u"2 <url>\rНет подключения к Internet.\rСписок пуст.|sound 0"_s;
    QTest::newRow("file gone: an empty list")
        << moved << true << u"vanishes"_s << u"tick"_s << u"beta"_s << u"1 Список пуст.|sound 9"_s;
  }
  void tick() {
    QFETCH(QStringList, feed);
    QFETCH(bool, keepPlace);
    QFETCH(QString, copy);
    QFETCH(QString, by);
    startSites(1);
    FSettings->ChBStoreXMLItemPos->setChecked(keepPlace);
    FForm->Button1Click(); // "beta" on screen
    FServer->route("/jobs",
                   feed.isEmpty() ? TTestResponse::error(500) : TTestResponse::ok(FeedOf(feed)));
    QFile file(FData->file(u"xml/1jobs"_s)); // gone, or due again
    QVERIFY(copy == u"gone"_s ? file.remove()
                             : file.open(QIODevice::ReadWrite) &&
                                   file.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                                    QFileDevice::FileModificationTime));
    if (copy == u"vanishes"_s) // taken away as soon as the download is done, before it is read
      connect(FForm.get(), &TForm1::eventSoundRequested, this,
              [this] { QFile::remove(FData->file(u"xml/1jobs"_s)); });
    TConnectivity::setProbe([by] { return by != u"offline"_s; });
    if (by == u"chosen"_s)
      FForm->UpdateSite(FForm->N3->actions().at(0));
    else
      FForm->Timer1Timer();
    QTEST(shownTitle(), "shown");
    QTEST(FEvents.mid(FEvents.size() - 2).join(u'|').replace(FServer->url("/jobs"), u"<url>"_s),
          "events");
  }

  void filterRefreshesAfterAPauseInTyping() {
    startSites(1);
    FForm->Button1Click();
    FReports.clear();
    QTest::keyClicks(FForm->EditFilter, u"gam"_s);
    QElapsedTimer sinceLastKey;
    sinceLastKey.start();
    FForm->ChBFiltered->setChecked(true); // ticked without a click: no refresh yet
    QVERIFY(FForm->Timer2->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!FForm->Timer2->isActive(), 3000);
    QVERIFY(sinceLastKey.elapsed() >= 500);
    QCOMPARE(FReports.count(u"Файл загружен."_s), 1); // one refresh for the three keys
    QCOMPARE(shownTitle(), u"gamma"_s);               // the first item the filter lets through

    // Releasing a letter with Shift held changes nothing; releasing Shift
    // does, as the window system reports it: with Shift still down.
    FForm->EditFilter->setText(u"gamm"_s);
    QKeyEvent letterWithShift(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, u"A"_s);
    QApplication::sendEvent(FForm->EditFilter, &letterWithShift);
    QVERIFY(!FForm->Timer2->isActive());
    QKeyEvent shift(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::sendEvent(FForm->EditFilter, &shift);
    QVERIFY(FForm->Timer2->isActive());
  }

  // A catalogue that cannot be written is reported without holding up the
  // start, and the program goes on with the archive alone.
  void refusedCatalogueWriteIsShown() {
    QVERIFY(QDir().mkpath(FData->file(u"vxs.ini"_s))); // a folder where the file should be
    CreateQuietWindows(FSettings, FForm);
    QMessageBox *box = nullptr;
    QTRY_VERIFY((box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())));
    QCOMPARE(box->text(), u"Unable to write to "_s + FData->file(u"vxs.ini"_s));
    QCOMPARE(FForm->KivTabSet1->TabsList().captions(), QStringList{u"Архив"_s});
    box->close();
  }
};

QTEST_MAIN(TestUpdateCycle)
#include "tst_UpdateCycle.moc"
