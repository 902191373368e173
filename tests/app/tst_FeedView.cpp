#include "app/MenuItems.h"
#include "platform/ProgramSite.h"
#include "support/BoardWindows.h"

using namespace Qt::StringLiterals;

class TestFeedView : public QObject, TBoardWindows {
  Q_OBJECT
  TRSSItemData FSite;

  // Three items: the first with every field, the second dated only by dc:date.
  static inline const QByteArray kFeed =
      "<rss xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><channel><title> Board &amp; Co </title>"
      "<link>https://b.example/</link><lastBuildDate>Sun, 06 Dec 2026 10:00</lastBuildDate>"
      "<item><title>Qt developer</title><link>https://b.example/1</link><category>IT</category>"
      "<description><![CDATA[<p>Desktop&nbsp;app</p>]]></description><category>Second</category>"
      "<pubDate>Sun, 06 Dec 2026 09:00</pubDate><comments>https://b.example/1#c</comments></item>"
      "<item><title>Logo design</title><link>https://b.example/2</link><pubDate></pubDate>"
      "<description>Vector</description><dc:date>2026-12-06</dc:date></item><item>"
      "<title>Copywriter</title><link>https://b.example/3</link><description>Texts</description>"
      "</item></channel></rss>";

private Q_SLOTS:
  void init() {
    setUpBoard();
    createWindows();
  }
  void cleanup() { tearDownBoard(); }

  // What a refresh shows, "title|link|date line" of the header, then "title|
  // link|description|date|category|comments caption|comments link|<current>/
  // <count>" of the item, "<" and ">" around it for the step buttons enabled.
  // The archive's address is read on its tab 0 (made from the template when
  // missing), others on a site's tab 1; a category ticked as 3 is past them.
  void refresh_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("ticked");
    QTest::addColumn<QByteArray>("file"); // null: none
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("events"); // joined by "|"
    const QString site = u"https://b.example/a/rss.xml"_s;
    const QString logo = u"Logo design|https://b.example/2|Vector|2026-12-06|||"_s;
    const QString empty = u"||||||||||0/0"_s;
    const QString missing = u"1 Файл не найден.|sound 9"_s;
    const QString noAddress = u"3 Не определен URL RSS ленты.|sound 1|"_s + missing;
    const QString notXml =
        u"3 Ошибка парсинга %1 XML-документа.\r\nLine 1: Start tag expected, '<' not "
        u"found|sound 1"_s;
    const auto item = [&](const char *name, int position, const QString &filter,
                          const QString &screen, const QString &events) {
      QTest::newRow(name)
          << site << 0 << kFeed << filter << position
          << u" Board & Co |https://b.example/|Обновлено: Sun, 06 Dec 2026 10:00|"_s + screen
          << u"-1 Файл загружен.|"_s + events;
    };
    item("first, every field", 0, {},
         u"Qt developer|https://b.example/1|Desktop app|Sun, 06 Dec 2026 09:00|IT|Комментарии|"
         u"https://b.example/1#c|0/3>"_s,
         u"-1 Элемент 1 загружен."_s);
    item("middle, dated by dc:date", 1, {}, logo + u"|<1/3>"_s, u"-1 Элемент 2 загружен."_s);
    item("last, undated", 2, {}, u"Copywriter|https://b.example/3|Texts|||||<2/3"_s,
         u"-1 Элемент 3 загружен."_s);
    item("past the last", 3, {}, u"|||||||3/3"_s, u"1 Элемент не найден.|sound 8"_s);
    item("below zero", -1, {}, u"|||||||-1/0"_s, u"1 Список пуст.|sound 9"_s);
    item("keyword filter: only the matching item counts", 0, u"DESIGN"_s, logo + u"|0/1"_s,
         u"-1 Элемент 1 загружен.|sound 7"_s);
    QTest::newRow("empty archive")
        << u"vx_arhive.xml"_s << 0 << QByteArray() << QString() << 0
        << QApplication::applicationDisplayName() + u" архив|"_s + ProgramPageAddress() +
               u"|Обновлено: неизвестно||||||||0/0"_s
        << u"-1 Файл загружен.|1 Список пуст.|sound 9"_s;
    QTest::newRow("no category ticked")
        << site << -1 << kFeed << QString() << 0 << empty << missing;
    QTest::newRow("no address") << QString() << 0 << kFeed << QString() << 0 << empty << noAddress;
    QTest::newRow("category past the addresses")
        << site << 3 << kFeed << QString() << 0 << empty << noAddress;
    QTest::newRow("no file") << site << 0 << QByteArray() << QString() << 0 << empty
                             << u"3 Файл не найден: \r<data>/xml/1rss.xml|"_s + missing;
    const QString page = u"3 Это веб-страница, а не RSS-лента.|sound 1"_s;
    QTest::newRow("a web page, said so") << site << 0 << QByteArray("<!DOCTYPE html><p>Jobs")
                                         << QString() << 0 << empty << page + u'|' + page;
    QTest::newRow("Atom, every character as written")
        << site << 0
        << QByteArray("<feed xmlns='http://www.w3.org/2005/Atom'><title>Доска ₹</title><updated>"
                      "2026-12-07</updated><entry><title>Logo für ein Café 🚀</title><link "
                      "href='https://b.example/9'/><category term='Дизайн'/><published>2026-12-06"
                      "</published><content type='html'>&lt;p>₹600&amp;nbsp;–&lt;/p></content>"
                      "</entry></feed>")
        << u"café"_s << 0
        << u"Доска ₹||Обновлено: 2026-12-07|Logo für ein Café 🚀|https://b.example/9|₹600 –|"
           u"2026-12-06|Дизайн|||0/1"_s
        << u"-1 Файл загружен.|-1 Элемент 1 загружен.|sound 7"_s;
    QTest::newRow("not XML: the view emptied")
        << site << 0 << QByteArray("not xml") << QString() << 2 << empty
        << notXml.arg(u"заголовка"_s) + u'|' + notXml.arg(u"элемента"_s);
  }
  void refresh() {
    QFETCH(QString, address);
    QFETCH(int, ticked);
    QFETCH(QByteArray, file);
    QFETCH(QString, filter);
    QFETCH(int, position);
    FSite.RSSURLs = {address};
    FForm->KivTabSet1->TabsList().AddObject(u"Board"_s, QVariant::fromValue(&FSite));
    FForm->KivTabSet1->setTabIndex(address == u"vx_arhive.xml"_s ? 0 : 1);
    if (ticked >= 0)
      AddTickableItem(FForm->N3, u"feed"_s, ticked, true);
    if (!file.isNull())
      put(FData->file(u"xml/1rss.xml"_s), file);
    FForm->ChBFiltered->setEnabled(true);
    FForm->ChBFiltered->setChecked(true);
    FForm->EditFilter->setText(filter);
    FForm->ItemView->FViRSSTitle->setText(u"the item shown before"_s);
    FForm->ItemView->FViRSSTitle->setURL(u"https://before.example/"_s);
    QEnterEvent pointerOver({}, {}, {});
    QApplication::sendEvent(FForm->ItemView->FViRSSTitle, &pointerOver);
    FForm->Button1->setEnabled(true);
    FEvents.clear();
    FForm->LoadFeedHeader();
    QVERIFY(!FForm->XMLDocument1.isActive() && !FForm->Button1->isEnabled());
    FForm->CurrentItem = position;
    FForm->ShowFeedItem(position);
    const TRSSViewItem *view = FForm->ItemView;
    const int current = FForm->CurrentItem;
    const int count = FForm->ItemCount;
    QTEST(QStringList(
              {FForm->FeedTitleLabel->text(), FForm->FeedTitleLabel->URL(),
               FForm->FeedInfoLabel->text(), view->FViRSSTitle->text(), view->FViRSSTitle->URL(),
               view->Description(), view->FViRSSPubDate->text(), view->FViRSSCategory->text(),
               view->FViRSSComments->text(), view->FViRSSComments->URL(),
               (FForm->Button2->isEnabled() ? u"<"_s : u""_s) + u"%1/%2"_s.arg(current).arg(count) +
                   (FForm->Button1->isEnabled() ? u">"_s : u""_s)})
              .join(u'|'),
          "screen");
    QTEST(FEvents.join(u'|').replace(FData->path(), u"<data>"_s), "events");
    QCOMPARE(view->FViRSSCategory->isHidden(), view->FViRSSCategory->text().isEmpty());
    QCOMPARE(view->FViRSSComments->isHidden(), view->FViRSSComments->text().isEmpty());
    const bool shown = !view->FViRSSTitle->URL().isEmpty();
    QVERIFY(FForm->Button3->isEnabled() == shown && FForm->CBFastTransition->count() == count);
    QCOMPARE(FForm->CBFastTransition->currentIndex(), shown ? current : -1);
    QCOMPARE(FForm->CBFastTransition->isEnabled(), count > (shown ? 1 : 0));
    QCOMPARE(view->FViRSSTitle->cursor().shape(), shown ? Qt::PointingHandCursor : Qt::ArrowCursor);
  }
};

QTEST_MAIN(TestFeedView)
#include "tst_FeedView.moc"
