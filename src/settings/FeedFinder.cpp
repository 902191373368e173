#include "settings/FeedFinder.h"

#include "settings/SiteCatalogue.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

constexpr int kFinderWaitSeconds = 30;
constexpr int kFinderConnectSeconds = 10;

QString kept(const QString &reason) {
  return reason + u"; адрес сохранён как введён"_s;
}

QString failure(const QString &address, const THttpResult &result) {
  switch (result.outcome) {
  case THttpOutcome::HttpError:
    return kept(u"%1 не открылся: ответ сервера %2"_s.arg(address).arg(result.httpStatus));
  case THttpOutcome::ConnectFailed:
    return kept(u"Нет соединения с %1"_s.arg(address));
  case THttpOutcome::TooLarge:
    return kept(u"%1: страница слишком велика"_s.arg(address));
  default:
    return kept(u"%1 не загрузился (%2)"_s.arg(address, result.error));
  }
}

QString found(const QString &address, const QList<TFeedLink> &links) {
  if (links.size() == 1)
    return u"На странице %1 найдена лента %2"_s.arg(address, links.constFirst().address);
  return u"На странице %1 найдено лент: %2"_s.arg(address).arg(links.size());
}

} // namespace

THttpOptions FinderOptions() {
  THttpOptions options;
  options.totalTimeoutSeconds = kFinderWaitSeconds;
  options.connectTimeoutSeconds = kFinderConnectSeconds;
  options.maxBytes = kDiscoveryMaxPageBytes;
  return options;
}

bool NeedsFinding(const QString &address, const TSiteCatalogue &sites) {
  const QString scheme = QUrl(WithHttpScheme(address)).scheme().toLower();
  if (address.trimmed().isEmpty() || (scheme != u"http"_s && scheme != u"https"_s))
    return false;
  for (int i = 0; i < sites.count(); ++i) {
    if (sites.record(i)->RSSURLs.contains(address))
      return false;
  }
  return true;
}

TFoundFeeds FindFeeds(const QString &address, const TFinderTransfer &transfer) {
  const QTemporaryDir folder;
  const QString file = folder.filePath(u"page"_s);
  const QString url = WithHttpScheme(address);
  const THttpResult result = transfer(url, file);
  if (result.outcome == THttpOutcome::Aborted)
    return {};
  if (!result.ok())
    return {TFoundFeeds::Nothing, {}, failure(address, result)};
  QFile page(file);
  if (!page.open(QIODevice::ReadOnly))
    return {TFoundFeeds::Nothing, {}, kept(u"%1: %2"_s.arg(address, page.errorString()))};
  const TFeedDiscovery discovery = DiscoverFeeds(page.readAll(), result.contentType, url);
  if (discovery.kind == TFeedDiscovery::Feed)
    return {TFoundFeeds::Feed, {}, {}};
  if (discovery.kind == TFeedDiscovery::Page)
    return {TFoundFeeds::Links, discovery.links, found(address, discovery.links)};
  return {TFoundFeeds::Nothing,
          {},
          kept(u"По адресу %1 нет ни ленты, ни ссылок на ленты"_s.arg(address))};
}
