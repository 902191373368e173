#include "feeds/WatchCheck.h"

#include "feeds/SeenItems.h"
#include "feeds/ServerCharset.h"
#include "platform/HttpClient.h"
#include "platform/SaveFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

struct TValidators {
  QByteArray etag;
  QByteArray lastModified;
};

TValidators readValidators(const QString &fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  const QList<QByteArray> lines = file.readAll().split('\n');
  return {lines.value(0).trimmed(), lines.value(1).trimmed()};
}

// Written only once the items of the copy they describe are seen, and removed
// when they cannot be: validators that outran the seen set would have the
// server answer 304 for items never announced, however often it is asked.
void writeValidators(const QString &fileName, const THttpResult &result) {
  if (result.etag.isEmpty() && result.lastModified.isEmpty()) {
    QFile::remove(fileName);
    return;
  }
  const QByteArray bytes = result.etag + '\n' + result.lastModified + '\n';
  QSaveFile file(fileName);
  if (!(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
        CommitSaveFile(file, "validators", bytes)))
    QFile::remove(fileName);
}

} // namespace

QString TWatchChecker::copyFileName(const QString &address) {
  return WatchFileName(address, u".xml"_s);
}

QString TWatchChecker::validatorsFileName(const QString &address) {
  return WatchFileName(address, u".http"_s);
}

TWatchResult TWatchChecker::check(const QString &address, const QDateTime &now) {
  THttpResult answer;
  TWatchResult result = download(address, now, answer);
  if (result.status != TWatchResult::Checked)
    return result;
  QFile copy(copyFileName(address));
  if (!copy.open(QIODevice::ReadOnly))
    return {TWatchResult::Failed, {}, copy.errorString()};
  const TFeedParseResult parsed =
      ParseFeed(copy.readAll(), RecordedServerCharset(copyFileName(address)));
  if (!parsed.ok())
    return {TWatchResult::Failed, {}, u"not a feed: "_s + parsed.message};
  TSeenItems seen(address);
  seen.load();
  const QList<qsizetype> fresh = seen.takeNew(*parsed.content);
  // Unsaved, the items are news again at the next check, which must then
  // fetch the feed in full: a 304 would leave them unannounced.
  if (!seen.save()) {
    QFile::remove(validatorsFileName(address));
    return {TWatchResult::Failed, {}, u"cannot save "_s + TSeenItems::fileName(address)};
  }
  writeValidators(validatorsFileName(address), answer);
  for (const qsizetype at : fresh)
    result.fresh.append(parsed.content->items[at]);
  return result;
}

TWatchResult TWatchChecker::download(const QString &address, const QDateTime &now,
                                     THttpResult &answer) {
  const QString host = THostBackoff::hostOf(address);
  if (!FBackoff.mayAsk(host, now))
    return {TWatchResult::Deferred, {}, {}};
  const QString copy = copyFileName(address);
  const TValidators validators =
      QFileInfo::exists(copy) ? readValidators(validatorsFileName(address)) : TValidators();
  const THttpClient client(THttpOptions{.ifNoneMatch = validators.etag,
                                        .ifModifiedSince = validators.lastModified,
                                        .acceptCompressed = true});
  {
    const std::lock_guard lock(FMutex);
    if (FAborted)
      return {TWatchResult::Failed, {}, u"aborted"_s};
    FClient = &client;
  }
  answer = client.download(address, copy);
  {
    const std::lock_guard lock(FMutex);
    FClient = nullptr;
  }
  if (THostBackoff::isRefusal(answer.httpStatus))
    FBackoff.refused(host, answer.retryAfterSeconds, now);
  else if (answer.httpStatus != 0)
    FBackoff.answered(host);
  if (answer.outcome == THttpOutcome::NotModified)
    return {TWatchResult::NotModified, {}, {}};
  if (!answer.ok())
    return {TWatchResult::Failed, {}, answer.error};
  // Without it only a document that names no encoding of its own may read
  // amiss; that is no reason to miss its items.
  RecordServerCharset(copy, answer.contentType);
  return {TWatchResult::Checked, {}, {}};
}

void TWatchChecker::abort() {
  const std::lock_guard lock(FMutex);
  FAborted = true;
  if (FClient)
    FClient->abort();
}
