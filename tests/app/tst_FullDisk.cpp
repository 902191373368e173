#include "support/BoardWindows.h"
#include "support/SmallDisk.h"

#include <QDirIterator>
#include <QMessageBox>

#include <optional>

using namespace Qt::StringLiterals;

namespace {
enum class TWrite { Catalogue, Settings, Place, SideFile, ArchiveAdd, ArchiveRemove, Download };
}

// Every writer on a full disk: each file it would replace stays byte for byte,
// and each failure is told as the program tells it (or not at all, where a
// failed save is silent), never as a success.
class TestFullDisk : public QObject, TBoardWindows {
  Q_OBJECT
  std::optional<TSmallDisk> FDisk;
  QMap<QString, QByteArray> FBefore;

  QString feedUrl() const { return FServer->url("/b"); }

  QMap<QString, QByteArray> files() const {
    QMap<QString, QByteArray> all;
    for (QDirIterator it(FData->path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
      if (const QString path = it.next(); !path.endsWith(u"/filler"_s))
        all.insert(path, contentOf(path));
    return all;
  }

  static QString shownMessage() {
    for (QWidget *widget : QApplication::topLevelWidgets())
      if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
        return box->text();
    return {};
  }

  // As the end of a drag: the window system moves the window, and the place
  // is saved once the moves have stopped.
  void savePlace() {
    FForm->windowHandle()->setGeometry(FForm->geometry().adjusted(0, 0, 40, 20));
    QTest::qWait(400);
  }

  void write(TWrite what) {
    switch (what) {
    case TWrite::Catalogue: // typed, as setText would leave "Сохранить" off
      FSettings->selectSite(1);
      Control<QLineEdit>(FSettings.get(), "LESiteName")->insert(u" переименован"_s);
      return Control<QPushButton>(FSettings.get(), "Button2")->click();
    case TWrite::Settings: // from the 1 of init()
      return Control<QComboBox>(FSettings.get(), "CBAlphaBlend")->setCurrentIndex(2);
    case TWrite::Place:
      return savePlace();
    case TWrite::SideFile: // long enough to stay in a side file
      Control<QLineEdit>(FForm.get(), "EditFilter")->setText(u"новый "_s.repeated(300));
      return savePlace();
    case TWrite::ArchiveAdd:
      Control<QPushButton>(FForm.get(), "Button1")->click();
      return Control<QPushButton>(FForm.get(), "Button3")->click();
    case TWrite::ArchiveRemove:
      Control<TKivTabSet>(FForm.get(), "KivTabSet1")->setTabIndex(0);
      return Control<QPushButton>(FForm.get(), "Button3")->click();
    case TWrite::Download:
      QFile feed(FData->file(u"xml/1b"_s));
      QVERIFY(feed.open(QIODevice::ReadOnly) &&
              feed.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)),
                               QFileDevice::FileModificationTime));
      Control<QMenu>(FForm.get(), "N3")->actions().value(0)->trigger();
      return QCoreApplication::processEvents();
    }
  }

private Q_SLOTS:
  // The program writes every file itself with room to spare; then the disk is
  // filled and the server given a new feed.
  void init() {
    setUpBoard();
    if (QString why; !FDisk.emplace().mount(FData->path(), u"256k"_s, &why))
      QSKIP(qPrintable(u"SKIPPED, not passed: a small tmpfs could not be mounted: "_s + why));
    FServer->route("/b", TTestResponse::ok(FeedOf({u"Logo"_s, u"Banner"_s})));
    writeCatalogue(u"[item_1]\r\ntitle=B\r\n10_name=W\r\n10_url=%1\r\n"_s.arg(feedUrl()));
    createWindows();
    FForm->N9Click();
    Control<TKivTabSet>(FForm.get(), "KivTabSet1")->setTabIndex(1);
    Control<QPushButton>(FForm.get(), "Button3")->click();
    Control<QComboBox>(FSettings.get(), "CBAlphaBlend")->setCurrentIndex(1);
    Control<QLineEdit>(FForm.get(), "EditFilter")->setText(u"старый "_s.repeated(300));
    savePlace();
    QVERIFY(QFile::exists(FData->file(u"vxss.ini"_s)));
    QVERIFY(contentOf(FData->file(u"vx.ini"_s)).contains("file::"));
    QCOMPARE(contentOf(FData->file(u"xml/1b.src"_s)), feedUrl().toUtf8());
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
    const QStringList archive{u"3 Не удалось записать файл архива:\r"_s, u"sound 1"_s};
    QTest::newRow("vxs.ini") << TWrite::Catalogue << QStringList()
                             << u"Unable to write to <data>/vxs.ini"_s;
    QTest::newRow("vxss.ini") << TWrite::Settings << QStringList() << QString();
    QTest::newRow("vx.ini") << TWrite::Place << QStringList() << QString();
    QTest::newRow("vx.ini side file") << TWrite::SideFile << QStringList() << QString();
    QTest::newRow("archive add") << TWrite::ArchiveAdd << archive << QString();
    QTest::newRow("archive remove") << TWrite::ArchiveRemove << archive << QString();
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
    const QMap<QString, QByteArray> after = files();
    QCOMPARE(after.keys(), FBefore.keys());
    for (const QString &name : after.keys())
      QVERIFY2(after[name] == FBefore[name], qPrintable(name + u" is not as it was"_s));

    qsizetype at = 0;
    for (const QString &expected : std::as_const(told)) {
      const QString event = QString(expected).replace(u"<feed>"_s, feedUrl());
      while (at < FEvents.size() && !FEvents[at].startsWith(event))
        ++at;
      QVERIFY2(at < FEvents.size(),
               qPrintable(u"not told: "_s + event + u"\nin: "_s + FEvents.join(u" | "_s)));
    }
    for (const QString &event : std::as_const(FEvents)) {
      QVERIFY2(!event.contains(u"добавлен"_s) && !event.contains(u"удален из"_s) &&
                   !event.contains(u"Обновление выполнено."_s),
               qPrintable(u"a failure told as a success: "_s + event));
      if (told.isEmpty()) // a failed save that is silent
        QVERIFY2(!event.startsWith(u"3 "_s) && !event.startsWith(u"2 "_s), qPrintable(event));
    }
    QCOMPARE(shownMessage(), message.replace(u"<data>"_s, FData->path()));
  }
};

QTEST_MAIN(TestFullDisk)
#include "tst_FullDisk.moc"
