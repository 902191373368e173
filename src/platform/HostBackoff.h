#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

// When each host may be asked again after it asked to be left alone (429 Too
// Many Requests or 503 Service Unavailable). Its Retry-After is honoured, up
// to a day, so that a mistaken header cannot silence a board for good;
// without one, the pause doubles with each refusal in a row, from a minute
// to an hour. One thread owns an instance.
class THostBackoff {
public:
  static constexpr qint64 kFirstPauseSeconds = 60;
  static constexpr qint64 kLongestGuessSeconds = 3600;
  static constexpr qint64 kLongestAskedSeconds = 24 * 3600;

  static bool isRefusal(long httpStatus) { return httpStatus == 429 || httpStatus == 503; }
  static QString hostOf(const QString &address);

  // retryAfterSeconds: negative when the server did not say.
  void refused(const QString &host, qint64 retryAfterSeconds, const QDateTime &now);
  void answered(const QString &host) { FHosts.remove(host); }
  bool mayAsk(const QString &host, const QDateTime &now) const;

private:
  struct TPause {
    QDateTime until;
    int refusals = 0;
  };
  QHash<QString, TPause> FHosts;
};
