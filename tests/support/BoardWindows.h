#pragma once

#include "app/RSSViewItem.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "platform/Codepage.h"
#include "platform/Connectivity.h"
#include "settings/Unit2.h"
#include "support/Controls.h"
#include "support/FeedBuilder.h"
#include "support/FileBytes.h"
#include "support/QuietWindows.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include <memory>

// What the tests of reading in the main window share: a fresh data folder,
// a feed server on 127.0.0.1, and both windows built on a catalogue there.
class TBoardWindows {
protected:
  std::unique_ptr<TTempDataFolder> FData;
  std::unique_ptr<TTestHttpServer> FServer;
  std::unique_ptr<TFormSetting> FSettings;
  std::unique_ptr<TForm1> FForm;
  QStringList FReports; // every status text, in the order reported
  QStringList FEvents;  // reports as "<kind> <text>", sounds as "sound <index>", in order

  void setUpBoard() {
    FData = std::make_unique<TTempDataFolder>();
    FServer = std::make_unique<TTestHttpServer>();
    QVERIFY(FServer->start());
    TConnectivity::setProbe([] { return true; });
    FReports.clear();
  }
  void tearDownBoard() {
    FForm.reset();
    FSettings.reset();
    FServer.reset();
    FData.reset();
    TConnectivity::setProbe({});
  }
  // "vxs.ini" in Windows-1251: the archive as site 0, then the given
  // sections (CR LF line ends).
  void writeCatalogue(const QString &sites) {
    const QString archive = QStringLiteral(
        "[item_0]\r\ntitle=Архив\r\n00_name=Архив сообщений\r\n00_url=vx_arhive.xml\r\n");
    put(FData->file(QStringLiteral("vxs.ini")), TCodepage::toCp1251(QString(archive + sites)));
  }
  void createWindows() {
    CreateQuietWindows(FSettings, FForm);
    QObject::connect(FForm.get(), &TForm1::statusReported, FForm.get(),
                     [this](TStatusKind, const QString &, const QString &text) {
                       FReports.append(text);
                     });
    FEvents.clear();
    QObject::connect(FForm.get(), &TForm1::statusReported, FForm.get(),
                     [this](TStatusKind kind, const QString &, const QString &text) {
                       FEvents.append(QString::number(int(kind)) + u' ' + text);
                     });
    QObject::connect(FForm.get(), &TForm1::eventSoundRequested, FForm.get(),
                     [this](TEventSoundId id) { FEvents.append(u"sound " + QString::number(int(id))); });
  }
  int requestsFor(const QByteArray &path) const {
    int count = 0;
    for (const TTestRequest &request : FServer->requests())
      count += request.path == path ? 1 : 0;
    return count;
  }
  QString shownTitle() const { return FForm->view().item.title; }
};
