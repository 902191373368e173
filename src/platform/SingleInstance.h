#pragma once

#include <QLockFile>
#include <QObject>
#include <QVariantMap>

#include <memory>

class QTimer;

// Keeps one running program per data folder, so that two processes never
// write the same INI files or archive. The first start owns a name on the
// session bus derived from the folder and a lock file in it; a later start
// asks it to come forward through org.freedesktop.Application.Activate and
// steps aside. A start that cannot find it on the bus (there is none, or it
// is another session's) finds the lock and can only step aside.
class TSingleInstance : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
  explicit TSingleInstance(const QString &folder, QObject *parent = nullptr);
  ~TSingleInstance() override;

  // True when this process is the one to run for the folder. False when
  // another one already does: it has been asked to come forward, or told
  // why not on stderr, and this process should end with success.
  bool claim();

public Q_SLOTS:
  // Called over the bus by a later start.
  Q_SCRIPTABLE void Activate(const QVariantMap &platformData);

Q_SIGNALS:
  // A later start asked for the window; delivered once any busy wait is over.
  void activationRequested();

private:
  // The same for every spelling of one folder, different for another.
  static QString busName(const QString &folder);

  enum class TBusClaim { Owned, HandedOver, Gone, Failed };
  bool claimBusName();
  TBusClaim claimOnBus();
  bool claimLockFile();

  QString FFolder;
  QString FBusName;
  QString FObjectPath;
  std::unique_ptr<QLockFile> FLock;
  QTimer *FActivation = nullptr;
};
