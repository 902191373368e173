#include "feeds/Archive.h"
#include "support/BoardWindows.h"

#include <QDateTime>
#include <QLocale>

using namespace Qt::StringLiterals;

class TestArchiveButton : public QObject, TBoardWindows {
  Q_OBJECT

  QString archivePath() const { return FData->file(u"xml/0vx_arhive.xml"_s); }
  QString archive() const { return TCodepage::fromCp1251(contentOf(archivePath())); }
  QString lastReport() const { return FReports.value(FReports.size() - 1); }

  // Presses the button on the item at `position`; the channel date the press
  // wrote, checked against the clock around the press.
  QString press(int position) {
    FForm->ShowFeedItem(position);
    const QString before = ArchiveDate(QDateTime::currentDateTime(), QLocale());
    FForm->Button3->click();
    const QString after = ArchiveDate(QDateTime::currentDateTime(), QLocale());
    const QString date =
        QRegularExpression(u"<lastBuildDate>(.*)</lastBuildDate>"_s).match(archive()).captured(1);
    return date == before || date == after ? date : u"not the time of the press: "_s + date;
  }
  // The item at `position` as the archive holds it.
  QString itemText(int position) const {
    FForm->ShowFeedItem(position);
    const TRSSViewItem *view = FForm->ItemView;
    return ArchiveItemText(
        QString(FForm->ArchiveItemTemplate).remove(u"<avxnewitems></avxnewitems>"_s),
        {view->FViRSSTitle->text(), view->FViRSSTitle->URL(), view->FViRSSPubDate->text(),
         view->FViRSSCategory->text(), view->Description(), view->FViRSSComments->URL()});
  }
  // The archive as the program writes it: the template dated, the items in
  // the order they were added, the marker after the last one.
  QString expectedArchive(const QString &date, const QStringList &items) const {
    return QString(FForm->ArchiveTemplate)
        .replace(u"<lastBuildDate></lastBuildDate>"_s,
                 u"<lastBuildDate>"_s + date + u"</lastBuildDate>"_s)
        .replace(u"<avxnewitems>"_s, items.join(QString()) + u"<avxnewitems>"_s);
  }

private Q_SLOTS:
  void init() {
    setUpBoard();
    // Logo and Banner after an item with every field, characters to escape,
    // characters Windows-1251 has not got and a description of two HTML paragraphs.
    FServer->route("/b", TTestResponse::ok(
                             FeedOf({u"Logo"_s, u"Banner"_s}).replace("</title><item>", R"(</title>
<item><title>Сайт &amp; магазин за ₹5000 🚀</title><link>https://b.example/p?id=1&amp;x=2</link>
<description><![CDATA[<p>Первая строка</p>
<p>Вторая</p>]]></description><pubDate>Sun, 06 Dec 2026 09:00:00 +0300</pubDate>
<category>Web</category><comments>https://b.example/p/1#c</comments></item><item>)")));
    writeCatalogue(u"[item_1]\r\ntitle=B\r\n10_name=W\r\n10_url=%1\r\n"_s.arg(FServer->url("/b")));
    createWindows();
    FForm->N9Click();
    FForm->KivTabSet1->setTabIndex(1);
  }
  void cleanup() { tearDownBoard(); }

  void addingAndRemoving() {
    QVERIFY(QFile::remove(archivePath())); // written when the archive tab was shown at start
    // The first addition writes the archive from the template: one line.
    const QString first = press(0);
    QCOMPARE(lastReport(), u"Элемент добавлен в архив."_s);
    QStringList items{itemText(0)};
    QCOMPARE(archive(), expectedArchive(first, items));
    // The next reads the file line by line: it ends with CR LF from now on.
    // An English channel title, as older versions wrote it, is made Russian.
    QString english = archive();
    QVERIFY(english.replace(u" архив</title>"_s, u" ARCHIVE</title>"_s) != archive());
    put(archivePath(), TCodepage::toCp1251(english));
    const QString second = press(1);
    items << itemText(1);
    QCOMPARE(archive(), expectedArchive(second, items) + u"\r\n"_s);
    // The same link again is a duplicate: the file is not touched.
    const QByteArray before = contentOf(archivePath());
    press(1);
    QCOMPARE(lastReport(), u"Элемент уже существует в архиве."_s);
    QCOMPARE(contentOf(archivePath()), before);
    press(2);
    items << itemText(2);

    FForm->KivTabSet1->setTabIndex(0);
    // An item the file no longer holds, edited by hand since it was shown, stays.
    FForm->ShowFeedItem(1);
    const QByteArray edited = contentOf(archivePath()).replace("about Logo", "about Sketch");
    put(archivePath(), edited);
    FForm->Button3->click();
    QCOMPARE(lastReport(), u"Элемент не найден в файле архива."_s);
    QCOMPARE(contentOf(archivePath()), edited);
    QCOMPARE(FForm->ItemCount, 3);
    put(archivePath(), QByteArray(edited).replace("about Sketch", "about Logo"));
    // On screen after a removal: the next item in the removed one's place, the
    // one before when the last went, an empty view at the end.
    for (const auto &[position, removed, shownAfter] : {std::tuple{1, 1, u"Banner"_s},
                                                        {1, 2, u"Сайт & магазин за ₹5000 🚀"_s},
                                                        {0, 0, QString()}}) {
      FForm->ShowFeedItem(position);
      const QByteArray expected =
          contentOf(archivePath()).replace(TCodepage::toCp1251(items.at(removed)), {});
      FReports.clear();
      FForm->Button3->click();
      QVERIFY(FReports.contains(u"Элемент удален из архив."_s));
      QCOMPARE(contentOf(archivePath()), expected);
      QCOMPARE(shownTitle(), shownAfter);
    }
    QCOMPARE(FForm->ItemCount, 0);
  }

  void refusedWriteIsNotReportedAsDone() {
    QVERIFY(QFile::remove(archivePath()) && QDir().mkpath(archivePath())); // a folder instead
    FForm->Button3->click();
    QCOMPARE(lastReport(), u"Не удалось записать файл архива:\r"_s + archivePath());
    QVERIFY(!FReports.contains(u"Элемент добавлен в архив."_s));
  }
};

QTEST_MAIN(TestArchiveButton)
#include "tst_ArchiveButton.moc"
