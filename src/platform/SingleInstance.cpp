#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString kBusService = u"org.freedesktop.DBus"_s;
const QString kBusPath = u"/org/freedesktop/DBus"_s;
const QString kApplicationInterface = u"org.freedesktop.Application"_s;
const QString kNamePrefix = u"org.vornix.Vornix.i"_s;
const QString kActionFailed = u"org.vornix.Vornix.Error.ActionFailed"_s;

// Long enough for a first start busy under a sanitizer, short enough that a
// hung one does not leave the user looking at nothing.
constexpr int kCallTimeoutMs = 2000;
// An action waits for the running one to finish what it is doing: a refresh
// or a search holds it for a minute at most.
constexpr int kActionTimeoutMs = 150000;
// Far longer than a start takes from making its lock to writing its owner in.
constexpr qint64 kOwnerWriteMs = 200;

// RequestName's flag and answers, as the bus daemon defines them.
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;

// A start that loses a race with an owner that is just quitting tries again,
// but not for ever.
constexpr int kClaimAttempts = 3;

void tell(const QString &line) {
  std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

QString canonical(const QString &folder) {
  const QFileInfo info(folder);
  const QString path = info.canonicalFilePath();
  return path.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : path;
}

// A start killed between making the lock and writing its owner into it leaves
// a lock that names no process to check, and would keep every later start
// out. A live start names itself at once, so a lock still unnamed a moment
// after it was made is left over.
bool leftOwnerless(const QString &lockFile) {
  const auto unnamed = [&lockFile] {
    QFile lock(lockFile);
    return lock.open(QIODevice::ReadOnly) && lock.readLine().trimmed().isEmpty();
  };
  if (!unnamed())
    return false;
  const qint64 age = QFileInfo(lockFile).lastModified().msecsTo(QDateTime::currentDateTime());
  if (age < kOwnerWriteMs)
    QThread::msleep(static_cast<unsigned long>(kOwnerWriteMs - std::max<qint64>(age, 0)));
  return unnamed();
}

} // namespace

TSingleInstance::TSingleInstance(const QString &folder, QObject *parent)
    : QObject(parent), FFolder(canonical(folder)), FBusName(busName(folder)),
      FObjectPath(u'/' + QString(FBusName).replace(u'.', u'/')) {
  // A timer rather than a queued call: timers are held back while a refresh
  // waits, so the window does not change under a job that is running, and
  // requests that pile up meanwhile bring it forward once.
  FActivation = new QTimer(this);
  FActivation->setSingleShot(true);
  FActivation->setInterval(0);
  connect(FActivation, &QTimer::timeout, this, &TSingleInstance::activationRequested);
  // Held back the same way: an import must not change the catalogue under a
  // refresh or a save.
  FActions = new QTimer(this);
  FActions->setSingleShot(true);
  FActions->setInterval(0);
  connect(FActions, &QTimer::timeout, this, &TSingleInstance::runActions);
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::busName(const QString &folder) {
  const QByteArray digest =
      QCryptographicHash::hash(canonical(folder).toUtf8(), QCryptographicHash::Sha256);
  return kNamePrefix + QString::fromLatin1(digest.left(16).toHex());
}

bool TSingleInstance::claim() {
  // The name on the bus is how a later start finds the running one; the lock
  // file is what guards the folder, also against a start that has no bus or
  // another session's bus.
  return claimBusName() && claimLockFile();
}

bool TSingleInstance::claimBusName() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  // Exported before the name is taken, so that a caller who sees the name
  // finds the object behind it.
  if (!bus.isConnected() ||
      !bus.registerObject(FObjectPath, this, QDBusConnection::ExportScriptableSlots))
    return true;
  for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
    switch (claimOnBus()) {
    case TBusClaim::Owned:
      return true;
    case TBusClaim::Failed:
      bus.unregisterObject(FObjectPath);
      return true;
    case TBusClaim::HandedOver:
      bus.unregisterObject(FObjectPath);
      return false;
    case TBusClaim::Gone:
      break;
    }
  }
  bus.unregisterObject(FObjectPath);
  tell(u"Vornix for %1 is starting or quitting just now; try again."_s.arg(
      QDir::toNativeSeparators(FFolder)));
  return false;
}

TSingleInstance::TBusClaim TSingleInstance::claimOnBus() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  QDBusMessage request =
      QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, u"RequestName"_s);
  request << FBusName << kDoNotQueue;
  const QDBusMessage granted = bus.call(request, QDBus::Block, kCallTimeoutMs);
  if (granted.type() != QDBusMessage::ReplyMessage || granted.arguments().isEmpty())
    return TBusClaim::Failed;
  const uint answer = granted.arguments().constFirst().toUInt();
  if (answer == kPrimaryOwner || answer == kAlreadyOwner)
    return TBusClaim::Owned;

  if (FForwardAction.isEmpty()) {
    QDBusMessage activate =
        QDBusMessage::createMethodCall(FBusName, FObjectPath, kApplicationInterface, u"Activate"_s);
    activate << QVariant::fromValue(QVariantMap());
    return handOver(activate, kCallTimeoutMs);
  }
  QDBusMessage action = QDBusMessage::createMethodCall(FBusName, FObjectPath, kApplicationInterface,
                                                       u"ActivateAction"_s);
  action << FForwardAction << QVariant::fromValue(FForwardParameter)
         << QVariant::fromValue(QVariantMap());
  return handOver(action, kActionTimeoutMs);
}

TSingleInstance::TBusClaim TSingleInstance::handOver(QDBusMessage call, int timeoutMs) {
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, timeoutMs);
  const QString said = reply.arguments().value(0).toString();
  if (reply.type() == QDBusMessage::ReplyMessage) {
    FHandedOver = true;
    FHandedOverMessage = said;
    return TBusClaim::HandedOver;
  }
  if (reply.errorName() == u"org.freedesktop.DBus.Error.ServiceUnknown"_s ||
      reply.errorName() == u"org.freedesktop.DBus.Error.NameHasNoOwner"_s)
    return TBusClaim::Gone;
  if (reply.errorName() == kActionFailed) {
    FHandedOverMessage = reply.errorMessage();
    return TBusClaim::HandedOver;
  }
  // A hung first start still holds the files: a second writer would be
  // worse than no window.
  FHandedOverMessage = u"Vornix is already running for %1 but does not answer."_s.arg(
      QDir::toNativeSeparators(FFolder));
  if (FForwardAction.isEmpty())
    tell(FHandedOverMessage);
  return TBusClaim::HandedOver;
}

bool TSingleInstance::claimLockFile() {
  const QString path = FFolder + u"/vx.lock"_s;
  FLock = std::make_unique<QLockFile>(path);
  // Stale only when its process is gone, which QLockFile checks at once, or
  // when it names none; never by age, however long the first start has been
  // running.
  FLock->setStaleLockTime(0);
  if (FLock->tryLock(0))
    return true;
  // QLockFile takes "<lock>.rmlock" while it removes a stale lock; a start
  // killed in between leaves that one ownerless too, and it would hold every
  // later start off for half a minute.
  const auto clearedOwnerless = [](const QString &file) {
    QLockFile leftover(file);
    return leftOwnerless(file) && leftover.removeStaleLockFile();
  };
  const bool removing = clearedOwnerless(path + u".rmlock"_s);
  if ((clearedOwnerless(path) || removing) && FLock->tryLock(0))
    return true;
  if (FLock->error() == QLockFile::LockFailedError) {
    FHandedOverMessage =
        u"Vornix is already running for %1."_s.arg(QDir::toNativeSeparators(FFolder));
    if (FForwardAction.isEmpty())
      tell(FHandedOverMessage);
    return false;
  }
  // A folder the lock cannot be made in is a folder nothing else can be
  // saved in either: the program starts and says so itself.
  tell(u"Vornix cannot lock %1; another start for it would not be noticed."_s.arg(
      QDir::toNativeSeparators(FFolder)));
  FLock.reset();
  return true;
}

void TSingleInstance::Activate(const QVariantMap &platformData) {
  Q_UNUSED(platformData)
  FActivation->start();
}

struct TSingleInstance::TPendingAction {
  QString action;
  QVariantList parameter;
  QDBusMessage call;
};

void TSingleInstance::forwardAction(const QString &action, const QVariantList &parameter) {
  FForwardAction = action;
  FForwardParameter = parameter;
}

void TSingleInstance::ActivateAction(const QString &action, const QVariantList &parameter,
                                     const QVariantMap &platformData, const QDBusMessage &call) {
  Q_UNUSED(platformData)
  call.setDelayedReply(true);
  FPendingActions << std::make_shared<TPendingAction>(TPendingAction{action, parameter, call});
  FActions->start();
}

void TSingleInstance::runActions() {
  for (const auto &pending : std::exchange(FPendingActions, {})) {
    QString message = u"Vornix does not know this action"_s;
    const bool done =
        FActionHandler && FActionHandler(pending->action, pending->parameter, &message);
    QDBusConnection::sessionBus().send(
        done ? pending->call.createReply(message)
             : pending->call.createErrorReply(kActionFailed, message));
  }
}
