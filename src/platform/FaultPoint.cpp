#include "platform/FaultPoint.h"

#ifdef VORNIX_FAULT_INJECTION

#include <QByteArray>
#include <QCryptographicHash>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct TFaultPlan {
  qint64 killAt = qEnvironmentVariable("VORNIX_FAULT_KILL").toLongLong();
  int journal = -1;

  TFaultPlan() {
    const QByteArray path = qgetenv("VORNIX_FAULT_JOURNAL");
    if (!path.isEmpty())
      journal = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  }
};

const TFaultPlan &plan() {
  static const TFaultPlan thePlan;
  return thePlan;
}

std::atomic<qint64> reached{0};

} // namespace

// Downloads reach their points on a worker thread: the count is atomic, and a
// journal line goes out in one append so that lines never interleave.
void FaultPoint(const char *writer, const char *moment, const QString &fileName,
                QByteArrayView content) {
  const TFaultPlan &thePlan = plan();
  const qint64 n = ++reached;
  if (thePlan.journal >= 0) {
    const QByteArray hash =
        content.data() ? QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex()
                       : QByteArrayLiteral("-");
    const QByteArray line = QByteArray::number(n) + ' ' + writer + '-' + moment + ' ' + hash + ' ' +
                            fileName.toUtf8() + '\n';
    [[maybe_unused]] const ssize_t written =
        ::write(thePlan.journal, line.constData(), line.size());
  }
  if (n == thePlan.killAt)
    ::kill(::getpid(), SIGKILL);
}

#endif
