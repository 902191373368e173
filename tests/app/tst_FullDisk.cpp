#include "support/BoardWindows.h"
#include "support/SmallDisk.h"

#include <QDirIterator>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace {

enum class TWrite { Catalogue, Settings, Place, SideFile, ArchiveAdd, ArchiveRemove, Download };

// A filter long enough to be kept in a side file beside "vx.ini".
QString longFilter(const QString &word) {
  return QString(word + u' ').repeated(300);
}

} // namespace

// Every writer of the program on a full disk: each file it would replace stays
// as it was, byte for byte, and each failure is told as the program tells it
// (or not at all, where a failed save is silent), never as a success.
class TestFullDisk : public QObject, TBoardWindows {
  Q_OBJECT
  std::unique_ptr<TSmallDisk> FDisk;
  QHash<QString, QByteArray> FBefore;

  QString feedUrl() const { return FServer->url("/b"); }

  // Every file in the data folder but the filler.
  QHash<QString, QByteArray> files() const {
    QHash<QString, QByteArray> all;
    QDirIterator it(FData->path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      if (!path.endsWith(u"/filler"_s))
        all.insert(path, contentOf(path));
    }
    return all;
  }

  QMessageBox *shownMessage() const {
    for (QWidget *widget : QApplication::topLevelWidgets())
      if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
        return box;
    return nullptr;
  }

  void write(TWrite what) {
    switch (what) {
    case TWrite::Catalogue:
      FSettings->selectSite(1);
      FSettings->LESiteName->setText(u"Переименован"_s);
      FSettings->Button2Click();
      break;
    case TWrite::Settings:
      FSettings->CBAlphaBlend->setCurrentIndex(FSettings->CBAlphaBlend->currentIndex() + 1);
      break;
    case TWrite::Place:
      FForm->resize(FForm->width() + 40, FForm->height() + 20);
      FForm->SavePosition();
      break;
    case TWrite::SideFile:
      FForm->EditFilter->setText(longFilter(u"новый"_s));
      FForm->SavePosition();
      break;
    case TWrite::ArchiveAdd:
      FForm->ShowFeedItem(1);
      FForm->Button3Click();
      break;
    case TWrite::ArchiveRemove:
      FForm->KivTabSet1->setTabIndex(0);
      FForm->Button3Click();
      break;
    case TWrite::Download: {
      QFile feed(FData->file(u"xml/1b"_s));
      QVERIFY(feed.open(QIODevice::ReadOnly));
      QVERIFY(feed.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)),
                               QFileDevice::FileModificationTime));
      FForm->UpdateSite(nullptr);
      break;
    }
    }
  }

private Q_SLOTS:
  // Every file is first written by the program itself, with room to spare;
  // then the disk is filled and the server given a new feed.
  void init() {
    setUpBoard();
    FDisk = std::make_unique<TSmallDisk>();
    if (QString why; !FDisk->mount(FData->path(), u"256k"_s, &why))
      QSKIP(
          qPrintable(u"SKIPPED, not passed: a small tmpfs could not be mounted to fill: "_s + why));
    FServer->route("/b", TTestResponse::ok(FeedOf({u"Logo"_s, u"Banner"_s})));
    writeCatalogue(u"[item_1]\r\ntitle=B\r\n10_name=W\r\n10_url=%1\r\n"_s.arg(feedUrl()));
    createWindows();
    FForm->N9Click();
    FForm->KivTabSet1->setTabIndex(1);
    FForm->Button3Click();
    FSettings->CBAlphaBlend->setCurrentIndex(1);
    FForm->EditFilter->setText(longFilter(u"старый"_s));
    FForm->SavePosition();
    QVERIFY(QFile::exists(FData->file(u"vxss.ini"_s)));
    QVERIFY(contentOf(FData->file(u"vx.ini"_s)).contains("file::"));
    QVERIFY(contentOf(FData->file(u"xml/1b.src"_s)) == feedUrl().toUtf8());
    FServer->route("/b", TTestResponse::ok(FeedOf({u"Новое"_s})));
    QVERIFY2(FDisk->fill(), "the small disk could not be filled");
    FBefore = files();
    FEvents.clear();
  }
  void cleanup() {
    FForm.reset();
    FSettings.reset();
    FDisk.reset();
    tearDownBoard();
  }

  void everyFileStaysWhole_data() {
    QTest::addColumn<TWrite>("what");
    QTest::addColumn<QStringList>("told"); // in this order, among others; <feed> is its address
    QTest::addColumn<QString>("message");  // in a message box; <data> is the data folder
    QTest::newRow("vxs.ini") << TWrite::Catalogue << QStringList()
                             << u"Unable to write to <data>/vxs.ini"_s;
    QTest::newRow("vxss.ini") << TWrite::Settings << QStringList() << QString();
    QTest::newRow("vx.ini") << TWrite::Place << QStringList() << QString();
    QTest::newRow("vx.ini side file") << TWrite::SideFile << QStringList() << QString();
    QTest::newRow("archive add") << TWrite::ArchiveAdd
                                 << QStringList{u"3 Не удалось записать файл архива:\r"_s,
                                                u"sound 1"_s}
                                 << QString();
    QTest::newRow("archive remove")
        << TWrite::ArchiveRemove
        << QStringList{u"3 Не удалось записать файл архива:\r"_s, u"sound 1"_s} << QString();
    QTest::newRow("feed")
        << TWrite::Download
        << QStringList{u"3 <feed>\rОшибка обновления: \rне удалось сохранить файл."_s,
                       u"3 <feed>\rНе удалось получить удаленный файл."_s, u"sound 2"_s}
        << QString();
  }
  void everyFileStaysWhole() {
    QFETCH(TWrite, what);
    QFETCH(QStringList, told);
    QFETCH(QString, message);
    write(what);
    const QHash<QString, QByteArray> after = files();
    QStringList names = after.keys(), before = FBefore.keys();
    names.sort();
    before.sort();
    QCOMPARE(names, before);
    for (const QString &name : std::as_const(names))
      QVERIFY2(after[name] == FBefore[name], qPrintable(name + u" is not as it was"_s));

    qsizetype at = 0;
    for (QString expected : told) {
      expected.replace(u"<feed>"_s, feedUrl());
      while (at < FEvents.size() && !FEvents[at].startsWith(expected))
        ++at;
      QVERIFY2(at < FEvents.size(),
               qPrintable(u"not told: "_s + expected + u"\nin: "_s + FEvents.join(u" | "_s)));
    }
    for (const QString &event : std::as_const(FEvents)) {
      QVERIFY2(!event.contains(u"добавлен"_s) && !event.contains(u"удален из"_s) &&
                   !event.contains(u"Обновление выполнено."_s),
               qPrintable(u"a failure told as a success: "_s + event));
      if (told.isEmpty()) // a failed save that is silent
        QVERIFY2(!event.startsWith(u"3 "_s) && !event.startsWith(u"2 "_s), qPrintable(event));
    }
    const QMessageBox *box = shownMessage();
    QCOMPARE(box ? box->text() : QString(), message.replace(u"<data>"_s, FData->path()));
  }
};

QTEST_MAIN(TestFullDisk)
#include "tst_FullDisk.moc"
