#include "feeds/FeedFormats.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

// A field as UTF-8; numbers (an id may be one) as their text.
QByteArray field(const QJsonObject &object, QLatin1StringView key) {
  const QJsonValue value = object.value(key);
  if (value.isDouble())
    return QByteArray::number(value.toDouble(), 'g', 17);
  return value.toString().toUtf8();
}

QByteArray firstField(const QJsonObject &object, std::initializer_list<QLatin1StringView> keys) {
  for (const QLatin1StringView key : keys) {
    QByteArray text = field(object, key);
    if (!text.trimmed().isEmpty())
      return text;
  }
  return {};
}

TFeedItem jsonItem(const QJsonObject &item) {
  TFeedItem f;
  f.setUtf8(TFeedItem::Title, PlainTextAsMarkup(field(item, "title"_L1)));
  f.setUtf8(TFeedItem::Link, firstField(item, {"url"_L1, "external_url"_L1}));
  QByteArray description = field(item, "content_html"_L1);
  if (description.trimmed().isEmpty())
    description = PlainTextAsMarkup(firstField(item, {"content_text"_L1, "summary"_L1}));
  f.setUtf8(TFeedItem::Description, description);
  f.setUtf8(TFeedItem::PubDate, field(item, "date_published"_L1));
  f.setUtf8(TFeedItem::DcDate, field(item, "date_modified"_L1));
  const QJsonArray tags = item.value("tags"_L1).toArray();
  f.setUtf8(TFeedItem::Category, tags.isEmpty() ? QByteArray() : tags.at(0).toString().toUtf8());
  f.setUtf8(TFeedItem::Id, field(item, "id"_L1));
  return f;
}

} // namespace

TFeedParseResult ReadJsonFeed(const QByteArray &utf8) {
  TFeedParseResult result;
  result.status = TFeedParseResult::ParseError;
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(utf8, &error);
  if (error.error != QJsonParseError::NoError) {
    result.message = u"Offset %1: %2"_s.arg(error.offset).arg(error.errorString());
    return result;
  }
  const QJsonObject feed = document.object();
  // The version is required, but a feed without one is still plainly a feed.
  if (!feed.value("version"_L1).toString().contains("jsonfeed.org/version/"_L1) &&
      !feed.value("items"_L1).isArray()) {
    result.message = u"Not a JSON Feed"_s;
    return result;
  }
  auto content = std::make_shared<TFeedContent>();
  content->format = TFeedFormat::JsonFeed;
  content->rootHasChildren = true;
  content->title = feed.value("title"_L1).toString();
  content->link = feed.value("home_page_url"_L1).toString();
  for (const QJsonValue item : feed.value("items"_L1).toArray()) {
    if (item.isObject())
      content->items.append(jsonItem(item.toObject()));
  }
  result.status = TFeedParseResult::Ok;
  result.content = std::move(content);
  return result;
}
