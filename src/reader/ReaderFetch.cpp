// A download as the reader asks for it: reused while fresh, reported step by
// step, and recorded beside its file with the address and charset it came with.
#include "feeds/ServerCharset.h"
#include "reader/Reader.h"

#include <QFile>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcDownload, "vornix.download")

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"Обновление"_s;

QString message(const QString &url, const QString &words) {
  return url + u'\r' + words;
}

} // namespace

THttpResult TReader::transfer(const QString &address, const QString &fileName,
                              TDownloadPurpose purpose) {
  if (FHooks.transfer)
    return FHooks.transfer(address, fileName, purpose);
  return THttpClient(DownloadOptionsFor(purpose)).download(address, fileName);
}

TReader::TFetched TReader::fetch(const QString &url, const QString &fileName, bool report,
                                 TDownloadPurpose purpose) {
  if (closing())
    return TFetched::Usable;
  const QString address = WithHttpScheme(url);
  if (purpose == TDownloadPurpose::Feed &&
      IsFreshFor(fileName, address, FHooks.now(), FHooks.options().updateMinutes))
    return TFetched::Usable;

  if (report)
    this->report(TStatusKind::Information, kTitle,
                 message(url, u"Обновление данных с сервера..."_s));
  if (!FHooks.connected()) {
    if (!report)
      return TFetched::Offline;
    this->report(TStatusKind::Warning, kTitle, message(url, u"Нет подключения к Internet."_s));
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
  const THttpResult result = transfer(address, fileName, purpose);
  if (otherAddress && !result.ok())
    RecordSource(fileName, recorded);
  // Closed meanwhile: the transfer was cut off, and nobody is left to tell.
  if (closing())
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
  if (report)
    reportTransfer(url, result);
  return result.ok() ? TFetched::Usable : TFetched::Failed;
}

void TReader::reportTransfer(const QString &url, const THttpResult &result) {
  switch (result.outcome) {
  case THttpOutcome::Ok:
    report(TStatusKind::Information, kTitle, message(url, u"Обновление выполнено."_s));
    break;
  case THttpOutcome::WriteFailed:
    report(TStatusKind::Error, kTitle,
           message(url, u"Ошибка обновления: \rне удалось сохранить файл."_s));
    break;
  case THttpOutcome::ConnectFailed:
    report(TStatusKind::Error, kTitle,
           message(url, u"Ошибка обновления: \rне удалось выполнить соединение с сервером."_s));
    break;
  default:
    break; // the closing line below says it all
  }
  if (result.ok()) {
    sound(TEventSoundId::Updated);
  } else {
    report(TStatusKind::Error, kTitle, message(url, u"Не удалось получить удаленный файл."_s));
    sound(TEventSoundId::Warning);
  }
}
