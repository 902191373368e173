#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "feeds/RSSViewItem.h"
#include "feeds/URLLbl.h"
#include "platform/TextFile.h"
#include "settings/RSSItemData.h"
#include "settings/Unit2.h"
#include "support/QuietWindows.h"
#include "support/TempDataFolder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct TReport {
  int kind;
  QString text;
  bool operator==(const TReport &) const = default;
};

// Three items: the first with every field, the second dated only by dc:date.
const QByteArray kFeed =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<rss version=\"2.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><channel>\n"
    "  <title> Board &amp; Co </title><link>https://board.example.org/</link>\n"
    "  <lastBuildDate>Sun, 06 Dec 2026 10:00:00 +0300</lastBuildDate>\n"
    "  <item><title>Qt developer</title><link>https://board.example.org/1</link>\n"
    "    <description><![CDATA[<p>Desktop&nbsp;app</p>]]></description>\n"
    "    <pubDate>Sun, 06 Dec 2026 09:00:00 +0300</pubDate>\n"
    "    <category>IT</category><category>Second</category>\n"
    "    <comments>https://board.example.org/1#c</comments></item>\n"
    "  <item><title>Logo design</title><link>https://board.example.org/2</link>\n"
    "    <description>Vector</description><pubDate></pubDate><dc:date>2026-12-06</dc:date></item>\n"
    "  <item><title>Copywriter</title><link>https://board.example.org/3</link>\n"
    "    <description>Texts</description></item>\n"
    "</channel></rss>";

} // namespace

class TestFeedView : public QObject {
  Q_OBJECT
  std::unique_ptr<TTempDataFolder> FData;
  std::unique_ptr<TFormSetting> FSettings;
  std::unique_ptr<TForm1> FForm;
  TRSSItemData FSite;
  QList<TReport> FReports;
  QList<int> FSounds;

  QString writeFeed(const QString &name, const QByteArray &bytes) {
    QDir().mkpath(FData->file(u"xml"_s));
    QFile file(FData->file(u"xml/"_s + name));
    if (!file.open(QIODevice::WriteOnly))
      return {};
    file.write(bytes);
    return file.fileName();
  }
  // Site 1 with the given feed addresses; `ticked` is the chosen category.
  void selectSite(const QStringList &addresses, int ticked) {
    FSite.RSSURLs = addresses;
    FForm->KivTabSet1->TabsList().AddObject(u"Board"_s, QVariant::fromValue(&FSite));
    for (int i = 0; i < addresses.size(); ++i) {
      QAction *category = FForm->N3->addAction(u"feed %1"_s.arg(i));
      category->setCheckable(true);
      category->setData(i);
      category->setChecked(i == ticked);
    }
    FReports.clear();
    FSounds.clear();
  }
  QStringList jumpList() const {
    QStringList entries;
    for (int i = 0; i < FForm->CBFastTransition->count(); ++i)
      entries.append(FForm->CBFastTransition->itemText(i));
    return entries;
  }

private Q_SLOTS:
  void initTestCase() { QApplication::setApplicationDisplayName(u"Vornix"_s); }
  void init() {
    FData = std::make_unique<TTempDataFolder>();
    CreateQuietWindows(FSettings, FForm);
    connect(FForm.get(), &TForm1::statusReported, this,
            [this](int kind, const QString &, const QString &text) {
              FReports.append({kind, text});
            });
    connect(FForm.get(), &TForm1::eventSoundRequested, this, [this](int i) { FSounds.append(i); });
  }
  void cleanup() {
    FForm.reset();
    FSettings.reset();
    FData.reset();
    FReports.clear();
    FSounds.clear();
  }

  void headerOfTheSelectedFeed() {
    selectSite({u"https://board.example.org/a/rss.xml"_s}, 0);
    const QString path = writeFeed(u"1rss.xml"_s, kFeed);
    FForm->LoadFeedHeader();
    QCOMPARE(FForm->XMLDocument1.FileName(), path);
    QCOMPARE(FForm->FeedTitleLabel->text(), u" Board & Co "_s); // as written, not normalised
    QCOMPARE(FForm->FeedTitleLabel->URL(), u"https://board.example.org/"_s);
    QCOMPARE(FForm->FeedInfoLabel->text(), u"Обновлено: Sun, 06 Dec 2026 10:00:00 +0300"_s);
    QCOMPARE(FReports, (QList<TReport>{{-1, u"Файл загружен."_s}}));
    QVERIFY(FSounds.isEmpty());
    QVERIFY(!FForm->XMLDocument1.isActive());
  }

  void headerFailures_data() {
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<int>("ticked");
    QTest::addColumn<QByteArray>("bytes"); // written as xml/1rss.xml when not empty
    QTest::addColumn<QList<TReport>>("reports");
    QTest::addColumn<QList<int>>("sounds");
    const QStringList one{u"https://board.example.org/a/rss.xml"_s};
    QTest::newRow("no category ticked")
        << one << -1 << QByteArray() << QList<TReport>{} << QList<int>{};
    QTest::newRow("no address") << QStringList{QString()} << 0 << QByteArray()
                                << QList<TReport>{{3, u"Не определен URL RSS ленты."_s}}
                                << QList<int>{1};
    QTest::newRow("index past the addresses")
        << one << 3 << QByteArray() << QList<TReport>{{3, u"Не определен URL RSS ленты."_s}}
        << QList<int>{1};
    QTest::newRow("not XML")
        << one << 0 << QByteArray("this is not xml")
        << QList<TReport>{{3, u"Ошибка парсинга заголовка XML-документа.\r\nLine 1: Start tag "
                              "expected, '<' not found"_s}}
        << QList<int>{1};
  }
  void headerFailures() {
    QFETCH(QStringList, addresses);
    QFETCH(int, ticked);
    QFETCH(QByteArray, bytes);
    QFETCH(QList<TReport>, reports);
    QFETCH(QList<int>, sounds);
    selectSite(addresses, ticked == 3 ? 0 : ticked);
    if (ticked == 3) // the menu ticks a category the site does not have
      FForm->N3->actions().first()->setData(3);
    if (!bytes.isEmpty())
      writeFeed(u"1rss.xml"_s, bytes);
    FForm->Button1->setEnabled(true);
    FForm->LoadFeedHeader();
    QCOMPARE(FReports, reports);
    QCOMPARE(FSounds, sounds);
    QVERIFY(!FForm->Button1->isEnabled());
    QVERIFY(!FForm->CBFastTransition->isEnabled());
  }

  void missingFileAndTheArchive() {
    selectSite({u"https://board.example.org/a/rss.xml"_s}, 0);
    FForm->LoadFeedHeader();
    QCOMPARE(FReports,
             (QList<TReport>{{3, u"Файл не найден: \r"_s + FData->file(u"xml/1rss.xml"_s)}}));
    QVERIFY(FSounds.isEmpty());
    QVERIFY(FForm->XMLDocument1.FileName().isEmpty());
    FForm->ShowFeedItem(0);
    QCOMPARE(FReports.last(), (TReport{1, u"Файл не найден."_s}));
    QCOMPARE(FSounds, QList<int>{9});

    // The archive tab makes its file from the template when there is none.
    FSite.RSSURLs = {u"vx_arhive.xml"_s};
    FForm->KivTabSet1->TabsList().setObject(0, QVariant::fromValue(&FSite));
    FForm->KivTabSet1->setTabIndex(0);
    FForm->LoadFeedHeader();
    QVERIFY(QFile::exists(FData->file(u"xml/0vx_arhive.xml"_s)));
    QCOMPARE(FForm->FeedTitleLabel->text(), u"Vornix архив"_s);
    QCOMPARE(FForm->FeedInfoLabel->text(), u"Обновлено: неизвестно"_s);
    FForm->ShowFeedItem(0);
    QCOMPARE(FReports.last(), (TReport{1, u"Список пуст."_s}));
  }

  void showsOneItemAtATime_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("filtered");
    QTest::addColumn<QString>("title");
    QTest::addColumn<TReport>("report");
    QTest::addColumn<QList<int>>("sounds");
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("back");
    QTest::addColumn<bool>("next");
    QTest::addColumn<int>("count");
    QTest::newRow("first") << 0 << false << u"Qt developer"_s
                           << TReport{-1, u"Элемент 1 загружен."_s} << QList<int>{} << 0 << false
                           << true << 3;
    QTest::newRow("middle") << 1 << false << u"Logo design"_s
                            << TReport{-1, u"Элемент 2 загружен."_s} << QList<int>{} << 1 << true
                            << true << 3;
    QTest::newRow("last") << 2 << false << u"Copywriter"_s << TReport{-1, u"Элемент 3 загружен."_s}
                          << QList<int>{} << 2 << true << false << 3;
    QTest::newRow("past the last") << 3 << false << QString() << TReport{1, u"Элемент не найден."_s}
                                   << QList<int>{8} << 3 << true << false << 3;
    QTest::newRow("below zero") << -1 << false << QString() << TReport{1, u"Список пуст."_s}
                                << QList<int>{9} << -1 << false << false << 0;
    QTest::newRow("keyword filter in force: only the matching item counts")
        << 0 << true << u"Logo design"_s << TReport{-1, u"Элемент 1 загружен."_s} << QList<int>{7}
        << 0 << false << false << 1;
  }
  void showsOneItemAtATime() {
    QFETCH(int, position);
    QFETCH(bool, filtered);
    QFETCH(QString, title);
    QFETCH(TReport, report);
    QFETCH(QList<int>, sounds);
    QFETCH(int, current);
    QFETCH(bool, back);
    QFETCH(bool, next);
    QFETCH(int, count);
    FForm->XMLDocument1.setFileName(writeFeed(u"1rss.xml"_s, kFeed));
    if (filtered) {
      FForm->EditFilter->setText(u"DESIGN"_s);
      FForm->ChBFiltered->setEnabled(true);
      FForm->ChBFiltered->setChecked(true);
    }
    FForm->CurrentItem = position;
    FForm->ShowFeedItem(position);
    QCOMPARE(FForm->ItemView->FViRSSTitle->text(), title);
    QCOMPARE(FReports.last(), report);
    QCOMPARE(FSounds, sounds);
    QCOMPARE(FForm->CurrentItem, current);
    QCOMPARE(FForm->ItemCount, count);
    QCOMPARE(FForm->Button2->isEnabled(), back);
    QCOMPARE(FForm->Button1->isEnabled(), next);
    QCOMPARE(FForm->Button3->isEnabled(), count > 0);
    QCOMPARE(jumpList().size(), count);
    QCOMPARE(FForm->CBFastTransition->currentIndex(), current < count ? current : -1);
    QCOMPARE(FForm->CBFastTransition->isEnabled(), count > 1);
  }

  void itemFieldsInTheView() {
    FForm->XMLDocument1.setFileName(writeFeed(u"1rss.xml"_s, kFeed));
    FForm->ShowFeedItem(0);
    const TRSSViewItem *view = FForm->ItemView;
    QCOMPARE(view->FViRSSTitle->URL(), u"https://board.example.org/1"_s);
    QCOMPARE(view->Description(), u"Desktop app"_s);
    QCOMPARE(view->FViRSSPubDate->text(), u"Sun, 06 Dec 2026 09:00:00 +0300"_s);
    QCOMPARE(view->FViRSSCategory->text(), u"IT"_s); // the first of two
    QVERIFY(!view->FViRSSCategory->isHidden());
    QCOMPARE(view->FViRSSComments->text(), u"Комментарии"_s);
    QCOMPARE(view->FViRSSComments->URL(), u"https://board.example.org/1#c"_s);

    FForm->ShowFeedItem(1); // empty pubDate: dc:date; no category, no comments
    QCOMPARE(view->FViRSSPubDate->text(), u"2026-12-06"_s);
    QVERIFY(view->FViRSSCategory->isHidden());
    QVERIFY(view->FViRSSComments->isHidden());
    QVERIFY(view->FViRSSComments->URL().isEmpty());
  }

  void parseErrorEmptiesTheView() {
    FForm->XMLDocument1.setFileName(writeFeed(u"1rss.xml"_s, kFeed));
    FForm->ShowFeedItem(2);
    writeFeed(u"1rss.xml"_s, "<rss><channel><item></channel></rss>");
    FForm->ShowFeedItem(2);
    QCOMPARE(FReports.last().kind, 3);
    QVERIFY(
        FReports.last().text.startsWith(u"Ошибка парсинга элемента XML-документа.\r\nLine 1: "_s));
    QCOMPARE(FSounds.last(), 1);
    QCOMPARE(FForm->CurrentItem, 0);
    QVERIFY(!FForm->Button2->isEnabled());
    QVERIFY(!FForm->Button3->isEnabled());
    QVERIFY(FForm->ItemView->FViRSSTitle->text().isEmpty());
  }

  void findItemPositionComparesTheRawLink() {
    FForm->XMLDocument1.setFileName(writeFeed(
        u"1rss.xml"_s, "<rss><channel><item><link>a</link></item>"
                       "<item><link>\n  https://x.example/2 </link></item></channel></rss>"));
    QCOMPARE(FForm->FindItemPosition(u"a"_s), 0);
    QCOMPARE(FForm->FindItemPosition(u"https://x.example/2"_s), -1);
    QCOMPARE(FForm->FindItemPosition(u"\n  https://x.example/2 "_s), 1);
    writeFeed(u"1rss.xml"_s, "broken");
    QCOMPARE(FForm->FindItemPosition(u"a"_s), -1);
    QVERIFY(FReports.isEmpty() && FSounds.isEmpty());
  }
};

QTEST_MAIN(TestFeedView)
#include "tst_FeedView.moc"
