#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "feeds/Archive.h"
#include "feeds/RSSViewItem.h"
#include "feeds/URLLbl.h"
#include "platform/Codepage.h"
#include "platform/Connectivity.h"
#include "support/BoardWindows.h"
#include "support/FileBytes.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kFeed = R"(<?xml version="1.0" encoding="UTF-8"?><rss><channel><title>Board</title>
<item><title>Сайт &amp; магазин</title><link>https://b.example/p?id=1&amp;x=2</link>
<description><![CDATA[<p>Первая строка</p>
<p>Вторая</p>]]></description><pubDate>Sun, 06 Dec 2026 09:00:00 +0300</pubDate>
<category>Web</category><comments>https://b.example/p/1#c</comments></item>
<item><title>Logo</title><link>https://b.example/2</link><description>Draw</description></item>
<item><title>Banner</title><link>https://b.example/3</link><description>Paint</description></item>
</channel></rss>)";

} // namespace

class TestArchiveButton : public QObject, TBoardWindows {
  Q_OBJECT

  QString archivePath() const { return FData->file(u"xml/0vx_arhive.xml"_s); }
  QString archive() const { return TCodepage::fromCp1251(contentOf(archivePath())); }
  QString lastReport() const { return FReports.value(FReports.size() - 1); }

  void startOnTheBoard() {
    writeCatalogue(
        u"[item_1]\r\ntitle=Board\r\n10_name=Web\r\n10_url=%1\r\n"_s.arg(FServer->url("/rss.xml")));
    createWindows();
    FForm->N9Click();
    FForm->KivTabSet1->setTabIndex(1);
    QCOMPARE(shownTitle(), u"Сайт & магазин"_s);
  }
  // Presses "В архив" on the item at `position`; returns the channel date the
  // press wrote, checked against the clock around the press.
  QString archiveItem(int position) {
    FForm->ShowFeedItem(position);
    const QDateTime before = QDateTime::currentDateTime();
    FForm->Button3->click();
    const QDateTime after = QDateTime::currentDateTime();
    const QString text = archive();
    const qsizetype open = text.indexOf(u"<lastBuildDate>"_s) + 15;
    const QString date = text.mid(open, text.indexOf(u"</lastBuildDate>"_s) - open);
    const bool fromTheClock =
        date == ArchiveDate(before, QLocale()) || date == ArchiveDate(after, QLocale());
    return fromTheClock ? date : u"not the time of the press: "_s + date;
  }
  QString itemText(int position) const {
    FForm->ShowFeedItem(position);
    QString withoutMarker = FForm->ArchiveItemTemplate;
    withoutMarker.remove(u"<avxnewitems></avxnewitems>"_s);
    return ArchiveItemText(
        withoutMarker,
        {FForm->ItemView->FViRSSTitle->text(), FForm->ItemView->FViRSSTitle->URL(),
         FForm->ItemView->FViRSSPubDate->text(), FForm->ItemView->FViRSSCategory->text(),
         FForm->ItemView->Description(), FForm->ItemView->FViRSSComments->URL()});
  }
  // The archive as the program writes it: header with the date, the items in
  // the order they were added, the marker after the last one.
  QString expectedArchive(const QString &date, const QStringList &items) const {
    QString text = FForm->ArchiveTemplate;
    text.replace(u"<lastBuildDate></lastBuildDate>"_s,
                 u"<lastBuildDate>"_s + date + u"</lastBuildDate>"_s);
    text.replace(u"<avxnewitems>"_s, items.join(QString()) + u"<avxnewitems>"_s);
    return text;
  }

private Q_SLOTS:
  void init() {
    setUpBoard();
    FServer->route("/rss.xml", TTestResponse::ok(kFeed));
  }
  void cleanup() { tearDownBoard(); }

  void addingBuildsTheArchiveByteForByte() {
    startOnTheBoard();
    QCOMPARE(FForm->Button3->text(), u"В архив"_s);
    QVERIFY(QFile::remove(archivePath())); // written when the archive tab was shown at start

    // The first addition writes the archive from the template: one line.
    const QString first = archiveItem(0);
    QCOMPARE(lastReport(), u"Элемент добавлен в архив."_s);
    const QString one = itemText(0);
    QCOMPARE(archive(), expectedArchive(first, {one}));

    // The next edit reads the file line by line: it ends with CR LF from now on.
    const QString second = archiveItem(1);
    QCOMPARE(archive(), expectedArchive(second, {one, itemText(1)}) + u"\r\n"_s);

    // The same link again is a duplicate: the file is not touched.
    const QByteArray before = contentOf(archivePath());
    FForm->ShowFeedItem(1);
    FForm->Button3->click();
    QCOMPARE(lastReport(), u"Элемент уже существует в архиве."_s);
    QCOMPARE(contentOf(archivePath()), before);
  }

  void englishChannelTitleIsRenamed() {
    startOnTheBoard();
    QString english = FForm->ArchiveTemplate;
    english.replace(u" архив</title>"_s, u" ARCHIVE</title>"_s);
    put(archivePath(), TCodepage::toCp1251(english));
    const QString date = archiveItem(2);
    QCOMPARE(archive(), expectedArchive(date, {itemText(2)}) + u"\r\n"_s);
  }

  // What is left on screen after a removal: the next item in the removed
  // one's place, the one before when the last went, an empty view at the end.
  void removingFromTheArchiveTab() {
    startOnTheBoard();
    QStringList items;
    for (int i = 0; i < 3; ++i) {
      archiveItem(i);
      items << itemText(i);
    }
    FForm->KivTabSet1->setTabIndex(0);
    QCOMPARE(FForm->Button3->text(), u"Удалить"_s);
    QCOMPARE(FForm->ItemCount, 3);

    const struct {
      int position;
      int removed;
      QString shownAfter;
    } steps[] = {{1, 1, u"Banner"_s}, {1, 2, u"Сайт & магазин"_s}, {0, 0, QString()}};
    for (const auto &step : steps) {
      FForm->ShowFeedItem(step.position);
      const QByteArray before = contentOf(archivePath());
      FForm->Button3->click();
      QVERIFY(FReports.contains(u"Элемент удален из архив."_s));
      QByteArray expected = before;
      expected.replace(TCodepage::toCp1251(items.at(step.removed)), QByteArray());
      QCOMPARE(contentOf(archivePath()), expected);
      QCOMPARE(shownTitle(), step.shownAfter);
    }
    QCOMPARE(FForm->ItemCount, 0);
  }

  void removingWhatTheFileNoLongerHoldsSaysSo() {
    startOnTheBoard();
    archiveItem(1);
    FForm->KivTabSet1->setTabIndex(0);
    FForm->ShowFeedItem(0);
    // Edited by hand after it was shown: the item's text is gone.
    QByteArray edited = contentOf(archivePath());
    edited.replace("Draw", "Sketch");
    put(archivePath(), edited);
    FForm->Button3->click();
    QCOMPARE(lastReport(), u"Элемент не найден в файле архива."_s);
    QCOMPARE(contentOf(archivePath()), edited);
    QCOMPARE(FForm->ItemCount, 1);
  }

  void refusedWriteIsNotReportedAsDone() {
    startOnTheBoard();
    QFile::remove(archivePath());
    QVERIFY(QDir().mkpath(archivePath())); // a folder where the file should be
    FForm->Button3->click();
    QCOMPARE(lastReport(), u"Не удалось записать файл архива:\r"_s + archivePath());
    QVERIFY(!FReports.contains(u"Элемент добавлен в архив."_s));
  }
};

QTEST_MAIN(TestArchiveButton)
#include "tst_ArchiveButton.moc"
