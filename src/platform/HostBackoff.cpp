#include "platform/HostBackoff.h"

#include <QUrl>

QString THostBackoff::hostOf(const QString &address) {
  return QUrl(address, QUrl::TolerantMode).host().toLower();
}

void THostBackoff::refused(const QString &host, qint64 retryAfterSeconds, const QDateTime &now) {
  TPause &pause = FHosts[host];
  ++pause.refusals;
  const qint64 guess =
      qMin(kFirstPauseSeconds << qMin(pause.refusals - 1, 16), kLongestGuessSeconds);
  const qint64 seconds =
      retryAfterSeconds >= 0 ? qMin(retryAfterSeconds, kLongestAskedSeconds) : guess;
  pause.until = now.addSecs(seconds);
}

bool THostBackoff::mayAsk(const QString &host, const QDateTime &now) const {
  const auto pause = FHosts.constFind(host);
  return pause == FHosts.cend() || now >= pause->until;
}
