#pragma once

#include "app/Unit1.h"
#include "settings/Unit2.h"
#include "support/Controls.h"
#include "support/NotificationWatcher.h"
#include "support/ScriptDump.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStringList>

#include <functional>
#include <memory>

// Both windows made as the program makes them, on a fresh data folder, with
// feeds and the side panel's page on 127.0.0.1, driven by a script as a user
// drives them. After each step the dump gives the controls that changed, the
// reports and sounds, the balloons the real notification service was sent,
// the requests served, the files written and any message box.
class TWindowScript {
public:
  explicit TWindowScript(TNotificationWatcher &watcher) : FWatcher(watcher) {}
  // Once per test program: the program's name, and the watcher listening.
  static void prepare(TNotificationWatcher &watcher);
  ~TWindowScript() { closeWindows(); }

  // Runs tests/data/<input> and compares its dumps with <input>.expected.
  void run(const QString &input);
  void begin(); // a fresh data folder and server
  void step(const QString &line);
  QString dump(const QString &line);

  TForm1 &form() const { return *FForm; }
  TTestHttpServer &server() const { return *FServer; }
  TTempDataFolder &data() const { return *FData; }
  template <typename T = QWidget> T *w(const char *name) const {
    return Control<T>(FForm.get(), name);
  }
  QStringList takeLog() { return std::exchange(FLog, {}); }
  // Steps of a test's own, tried before the common ones; true when taken.
  std::function<bool(const QString &line)> ownStep = [](const QString &) { return false; };

private:
  QString masked(QString text) const;
  void writeIni(const QString &name, const QString &lines);
  void writeSites(const QString &boards);
  void open(bool loud);
  void closeWindows();
  QStringList viewLines() const;

  TNotificationWatcher &FWatcher;
  std::unique_ptr<TTempDataFolder> FData;
  std::unique_ptr<TTestHttpServer> FServer;
  std::unique_ptr<TFormSetting> FSettings;
  std::unique_ptr<TForm1> FForm;
  std::unique_ptr<QSignalSpy> FChecks; // the watch's
  QProcess FSoundServer;               // its events, once a script has sounds
  qsizetype FNotifies = 0, FRequests = 0;
  QStringList FLog, FLastView;
  TFolderChanges FFiles;
  TTrayMode FTray = TTrayMode::XEmbed;
  bool FSortStep = false; // the watch's checks come in no fixed order
};
