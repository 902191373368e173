// The window's side of a download: it keeps painting while the transfer runs
// aside, shows the hourglass meanwhile, and cuts the transfer off on closing.
#include "app/Unit1.h"
#include "platform/BusyWait.h"
#include "platform/TransferAside.h"

THttpResult TForm1::transfer(const QString &address, const QString &fileName,
                             TDownloadPurpose purpose) {
  const THttpResult result =
      TransferAside(DownloadOptionsFor(purpose), address, fileName, [this] { return FDestroying; });
  // Pending paints only: nothing the user does is handled until the refresh ends.
  if (result.outcome != THttpOutcome::Aborted && !FDestroying)
    TBusyWait::pump();
  return result;
}

bool TForm1::DownloadFile(const QString &url, const QString &fileName, bool report,
                          TDownloadPurpose purpose) {
  return FReader->fetch(url, fileName, report, purpose) == TReader::TFetched::Usable;
}
