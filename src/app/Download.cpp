#include "app/DownloadRules.h"
#include "app/Unit1.h"
#include "feeds/ServerCharset.h"
#include "platform/BusyWait.h"
#include "platform/Connectivity.h"
#include "platform/HttpClient.h"
#include "settings/Unit2.h"

#include <QApplication>
#include <QFile>
#include <QLoggingCategory>

#include <memory>

Q_LOGGING_CATEGORY(lcDownload, "vornix.download")

namespace {

const QString kTitle = QStringLiteral("Обновление");

QString message(const QString &url, const QString &words) {
  return url + u'\r' + words;
}

// Keeps the hourglass up for exactly as long as the transfer blocks the window.
class TBusyCursor {
public:
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor &) = delete;
  TBusyCursor &operator=(const TBusyCursor &) = delete;
};

} // namespace

int TForm1::updateMinutes() const {
  return FFormSetting ? FFormSetting->updateMinutes() : 30;
}

bool TForm1::IsConnected() {
  return TConnectivity::isConnected();
}

// The transfer runs on a worker thread while the window goes on painting;
// closing the window cuts it off at once, the previous copy kept.
THttpResult TForm1::transfer(const QString &address, const QString &fileName,
                             TDownloadPurpose purpose) {
  auto client = std::make_shared<THttpClient>(DownloadOptionsFor(purpose));
  auto result = std::make_shared<THttpResult>();
  const bool completed = TBusyWait::runAside(
      [client, result, address, fileName] { *result = client->download(address, fileName); },
      [this] { return FDestroying; }, [client] { client->abort(); });
  if (completed)
    return *result;
  THttpResult aborted;
  aborted.outcome = THttpOutcome::Aborted;
  return aborted;
}

bool TForm1::DownloadFile(const QString &url, const QString &fileName, bool report,
                          TDownloadPurpose purpose) {
  return fetch(url, fileName, report, purpose) == TFetched::Usable;
}

TForm1::TFetched TForm1::fetch(const QString &url, const QString &fileName, bool report,
                               TDownloadPurpose purpose) {
  if (FDestroying)
    return TFetched::Usable;
  const QString address = WithHttpScheme(url);
  if (purpose == TDownloadPurpose::Feed &&
      IsFreshFor(fileName, address, QDateTime::currentDateTime(), updateMinutes()))
    return TFetched::Usable;

  if (report)
    ReportStatus(1, kTitle, message(url, QStringLiteral("Обновление данных с сервера...")));
  if (!IsConnected()) {
    if (!report)
      return TFetched::Offline;
    ReportStatus(2, kTitle, message(url, QStringLiteral("Нет подключения к Internet.")));
    // Offline, the copy on disk is shown only when it is this address's own:
    // a file shared with another category holds that category's items.
    return HoldsCopyOf(fileName, address) ? TFetched::Usable : TFetched::Offline;
  }

  // A copy of another address may be replaced: a crash right after that must
  // not leave its record vouching for the new content. A failure keeps the
  // copy, which gets its record back.
  const QString recorded = RecordedSource(fileName);
  const bool otherAddress = !recorded.isEmpty() && recorded != address;
  if (otherAddress)
    QFile::remove(SourceRecordName(fileName));
  THttpResult result;
  {
    TBusyCursor busy;
    result = transfer(address, fileName, purpose);
  }
  if (otherAddress && !result.ok())
    RecordSource(fileName, recorded);
  // Closed meanwhile: the transfer was cut off, and nobody is left to tell.
  if (FDestroying)
    return TFetched::Failed;
  // A record left naming an earlier address would vouch for the new content
  // under the wrong feed, so without a record of this one there must be none.
  if (result.ok() && purpose == TDownloadPurpose::Feed &&
      !RecordServerCharset(fileName, result.contentType))
    qCWarning(lcDownload).noquote() << "cannot record the charset of" << fileName;
  if (result.ok() && !RecordSource(fileName, address)) {
    QFile::remove(SourceRecordName(fileName));
    qCWarning(lcDownload).noquote() << "cannot record where" << fileName << "came from";
  }
  if (!result.ok())
    qCWarning(lcDownload).noquote()
        << url << "failed:" << int(result.outcome) << result.httpStatus << result.error;

  if (report) {
    switch (result.outcome) {
    case THttpOutcome::Ok:
      ReportStatus(1, kTitle, message(url, QStringLiteral("Обновление выполнено.")));
      break;
    case THttpOutcome::WriteFailed:
      ReportStatus(3, kTitle,
                   message(url, QStringLiteral("Ошибка обновления: \rне удалось сохранить файл.")));
      break;
    case THttpOutcome::ConnectFailed:
      ReportStatus(3, kTitle,
                   message(url, QStringLiteral("Ошибка обновления: \rне удалось "
                                               "выполнить соединение с сервером.")));
      break;
    default:
      break; // the closing line below says it all
    }
    if (result.ok()) {
      PlayEventSound(3);
    } else {
      ReportStatus(3, kTitle, message(url, QStringLiteral("Не удалось получить удаленный файл.")));
      PlayEventSound(2);
    }
  }
  return result.ok() ? TFetched::Usable : TFetched::Failed;
}
