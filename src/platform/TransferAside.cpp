#include "platform/TransferAside.h"

#include "platform/BusyWait.h"

#include <QCursor>
#include <QGuiApplication>

#include <memory>

namespace {

// Keeps the hourglass up for exactly as long as the transfer blocks the window.
class TBusyCursor {
public:
  TBusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor &) = delete;
  TBusyCursor &operator=(const TBusyCursor &) = delete;
};

} // namespace

THttpResult TransferAside(const THttpOptions &options, const QString &url, const QString &fileName,
                          const std::function<bool()> &stop) {
  // The work may outlive a stopped wait, so it owns the client and the result.
  auto client = std::make_shared<THttpClient>(options);
  auto result = std::make_shared<THttpResult>();
  const TBusyCursor busy;
  if (TBusyWait::runAside(
          [client, result, url, fileName] { *result = client->download(url, fileName); }, stop,
          [client] { client->abort(); }))
    return *result;
  THttpResult aborted;
  aborted.outcome = THttpOutcome::Aborted;
  return aborted;
}
