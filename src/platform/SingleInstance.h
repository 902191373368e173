#pragma once

#include <QLockFile>
#include <QObject>
#include <QVariantMap>

#include <functional>
#include <memory>

class QDBusMessage;
class QTimer;

// Keeps one running program per data folder, so that two processes never
// write the same INI files or archive. The first start owns a name on the
// session bus derived from the folder and a lock file in it; a later start
// asks it to come forward through org.freedesktop.Application.Activate and
// steps aside, or hands it a job through ActivateAction. A start that cannot
// find it on the bus (there is none, or it is another session's) finds the
// lock and can only step aside.
class TSingleInstance : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
  Q_MOC_INCLUDE(<QDBusMessage>)

public:
  explicit TSingleInstance(const QString &folder, QObject *parent = nullptr);
  ~TSingleInstance() override;

  // True when this process is the one to run for the folder. False when
  // another one already does: it has been asked to come forward, or told
  // why not on stderr, and this process should end with success.
  bool claim();

  // What the running one does for a later start's action: true when done,
  // with `message` saying what was done or why not.
  using TActionHandler =
      std::function<bool(const QString &action, const QVariantList &parameter, QString *message)>;
  void setActionHandler(TActionHandler handler) { FActionHandler = std::move(handler); }

  // Makes claim() hand the action to a running one instead of bringing it
  // forward. Once claim() has stepped aside, handedOver() tells whether the
  // action was done, and handedOverMessage() what the running one said.
  void forwardAction(const QString &action, const QVariantList &parameter);
  bool handedOver() const { return FHandedOver; }
  QString handedOverMessage() const { return FHandedOverMessage; }

public Q_SLOTS:
  // Called over the bus by a later start.
  Q_SCRIPTABLE void Activate(const QVariantMap &platformData);
  // Answered once the action is done, with its message, or with an error.
  Q_SCRIPTABLE void ActivateAction(const QString &action, const QVariantList &parameter,
                                   const QVariantMap &platformData, const QDBusMessage &call);

Q_SIGNALS:
  // A later start asked for the window; delivered once any busy wait is over.
  void activationRequested();

private:
  // The same for every spelling of one folder, different for another.
  static QString busName(const QString &folder);

  enum class TBusClaim { Owned, HandedOver, Gone, Failed };
  bool claimBusName();
  TBusClaim claimOnBus();
  TBusClaim handOver(QDBusMessage call, int timeoutMs);
  bool claimLockFile();
  void runActions();

  QString FFolder;
  QString FBusName;
  QString FObjectPath;
  std::unique_ptr<QLockFile> FLock;
  QTimer *FActivation = nullptr;
  QTimer *FActions = nullptr;
  TActionHandler FActionHandler;
  struct TPendingAction;
  QList<std::shared_ptr<TPendingAction>> FPendingActions;
  QString FForwardAction;
  QVariantList FForwardParameter;
  bool FHandedOver = false;
  QString FHandedOverMessage;
};
