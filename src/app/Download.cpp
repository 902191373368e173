// The window's side of a download: it keeps painting while the transfer runs
// aside, shows the hourglass meanwhile, and cuts the transfer off on closing.
#include "app/Unit1.h"
#include "platform/BusyWait.h"
#include "platform/HttpClient.h"

#include <QApplication>

#include <memory>

namespace {

// Keeps the hourglass up for exactly as long as the transfer blocks the window.
class TBusyCursor {
public:
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor &) = delete;
  TBusyCursor &operator=(const TBusyCursor &) = delete;
};

} // namespace

THttpResult TForm1::transfer(const QString &address, const QString &fileName,
                             TDownloadPurpose purpose) {
  auto client = std::make_shared<THttpClient>(DownloadOptionsFor(purpose));
  auto result = std::make_shared<THttpResult>();
  bool completed = false;
  {
    TBusyCursor busy;
    completed = TBusyWait::runAside(
        [client, result, address, fileName] { *result = client->download(address, fileName); },
        [this] { return FDestroying; }, [client] { client->abort(); });
  }
  // Pending paints only: nothing the user does is handled until the refresh ends.
  if (completed && !FDestroying)
    TBusyWait::pump();
  if (completed)
    return *result;
  THttpResult aborted;
  aborted.outcome = THttpOutcome::Aborted;
  return aborted;
}

bool TForm1::DownloadFile(const QString &url, const QString &fileName, bool report,
                          TDownloadPurpose purpose) {
  return FReader->fetch(url, fileName, report, purpose) == TReader::TFetched::Usable;
}
