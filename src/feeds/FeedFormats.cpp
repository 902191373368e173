#include "feeds/FeedFormats.h"

#include "feeds/FeedXml.h"

#include <cstring>

namespace {

constexpr const char *kAtom10 = "http://www.w3.org/2005/Atom";
constexpr const char *kAtom03 = "http://purl.org/atom/ns#";
constexpr const char *kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr const char *kRss10 = "http://purl.org/rss/1.0/";
constexpr const char *kDc = "http://purl.org/dc/elements/1.1/";
constexpr const char *kContent = "http://purl.org/rss/1.0/modules/content/";

const TXmlName kDcTitle{kDc, "title", "dc:title"};
const TXmlName kDcDate{kDc, "date", "dc:date"};
const TXmlName kDcSubject{kDc, "subject", "dc:subject"};
const TXmlName kContentEncoded{kContent, "encoded", "content:encoded"};

bool isBlank(const QByteArray &text) {
  for (const char c : text) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
      return false;
  }
  return true;
}

bool sameUri(const char *a, const char *b) {
  return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

// The text of the first of the named children that has any.
QByteArray firstText(const TXmlElement &parent, std::initializer_list<TXmlName> names) {
  for (const TXmlName &name : names) {
    QByteArray text = parent.child(name).text();
    if (!isBlank(text))
      return text;
  }
  return {};
}

// The RSS family names its elements in the namespace of the channel (none in
// RSS 2.0, RSS 1.0's in RDF) and borrows Dublin Core and content:encoded.
class TRssNames {
public:
  explicit TRssNames(const char *ns) : FNs(ns) {}
  TXmlName operator()(const char *local) const { return {FNs, local}; }

private:
  const char *FNs;
};

QByteArray permalink(const TXmlElement &guid) {
  const QByteArray isPermaLink = guid.attribute("isPermaLink").trimmed();
  return isPermaLink.isNull() || isPermaLink == "true" ? guid.text() : QByteArray();
}

TFeedItem rssItem(const TXmlElement &item, const TRssNames &n) {
  TFeedItem f;
  const TXmlElement guid = item.child(n("guid"));
  f.setUtf8(TFeedItem::Title, firstText(item, {n("title"), kDcTitle}));
  QByteArray link = item.child(n("link")).text();
  f.setUtf8(TFeedItem::Link, isBlank(link) ? permalink(guid) : link);
  f.setUtf8(TFeedItem::Description, firstText(item, {n("description"), kContentEncoded}));
  f.setUtf8(TFeedItem::PubDate, item.child(n("pubDate")).text());
  f.setUtf8(TFeedItem::DcDate, item.child(kDcDate).text());
  f.setUtf8(TFeedItem::Category, firstText(item, {n("category"), kDcSubject}));
  f.setUtf8(TFeedItem::Comments, item.child(n("comments")).text());
  const QByteArray id = guid.text();
  f.setUtf8(TFeedItem::Id, id.isEmpty() ? item.attribute("about", kRdf) : id);
  return f;
}

void readRssHeader(TFeedContent &content, const TXmlElement &channel, const TRssNames &n) {
  content.title = QString::fromUtf8(firstText(channel, {n("title"), kDcTitle}));
  content.link = QString::fromUtf8(channel.child(n("link")).text());
  content.lastBuildDate =
      QString::fromUtf8(firstText(channel, {n("lastBuildDate"), n("pubDate"), kDcDate}));
}

// RSS 0.9x and 2.0: the items are inside the channel.
void readRss(TFeedContent &content, const TXmlElement &root) {
  const TRssNames n(root.namespaceUri());
  const TXmlElement channel = root.child(n("channel"));
  readRssHeader(content, channel, n);
  channel.forEachChild(n("item"),
                       [&](const TXmlElement &item) { content.items.append(rssItem(item, n)); });
}

// RSS 0.90 and 1.0: the items stand beside the channel; a few feeds put them
// inside it after all.
void readRdf(TFeedContent &content, const TXmlElement &root) {
  const TXmlElement channel = root.childNamed("channel");
  const TRssNames n(channel.isNull() ? kRss10 : channel.namespaceUri());
  readRssHeader(content, channel, n);
  const auto append = [&](const TXmlElement &item) { content.items.append(rssItem(item, n)); };
  root.forEachChild(n("item"), append);
  channel.forEachChild(n("item"), append);
}

// An Atom text construct, as markup for the description rules: html is
// markup already, xhtml comes back as markup, text must show as written.
QByteArray atomText(const TXmlElement &element) {
  const QByteArray type = element.attribute("type").trimmed().toLower();
  const QByteArray text = element.text();
  if (type.contains("html") || element.attribute("mode") == "xml")
    return text;
  return PlainTextAsMarkup(text);
}

// The entry's page: the alternate link (a link without rel is one), else the
// first link of all.
QByteArray atomLink(const TXmlElement &parent, const TXmlName &name, const char *wanted) {
  TXmlElement chosen;
  TXmlElement first;
  parent.forEachChild(name, [&](const TXmlElement &link) {
    const QByteArray rel = link.attribute("rel").trimmed();
    if (first.isNull())
      first = link;
    if (chosen.isNull() &&
        (rel == wanted || (rel.isNull() && std::strcmp(wanted, "alternate") == 0)))
      chosen = link;
  });
  if (chosen.isNull() && std::strcmp(wanted, "alternate") == 0)
    chosen = first;
  return chosen.isNull() ? QByteArray() : chosen.resolved(chosen.attribute("href").trimmed());
}

TFeedItem atomEntry(const TXmlElement &entry, const char *ns) {
  const auto n = [ns](const char *local) { return TXmlName{ns, local}; };
  TFeedItem f;
  f.setUtf8(TFeedItem::Title, atomText(entry.child(n("title"))));
  f.setUtf8(TFeedItem::Link, atomLink(entry, n("link"), "alternate"));
  QByteArray description = atomText(entry.child(n("content")));
  f.setUtf8(TFeedItem::Description,
            isBlank(description) ? atomText(entry.child(n("summary"))) : description);
  f.setUtf8(TFeedItem::PubDate, firstText(entry, {n("updated"), n("modified")}));
  f.setUtf8(TFeedItem::DcDate, firstText(entry, {n("published"), n("issued"), n("created")}));
  QByteArray category = entry.child(n("category")).attribute("term");
  f.setUtf8(TFeedItem::Category, category.isEmpty() ? entry.child(kDcSubject).text() : category);
  f.setUtf8(TFeedItem::Comments, atomLink(entry, n("link"), "replies"));
  f.setUtf8(TFeedItem::Id, entry.child(n("id")).text());
  return f;
}

void readAtom(TFeedContent &content, const TXmlElement &root) {
  const char *ns = root.namespaceUri();
  const auto n = [ns](const char *local) { return TXmlName{ns, local}; };
  content.title = QString::fromUtf8(root.child(n("title")).text());
  content.link = QString::fromUtf8(atomLink(root, n("link"), "alternate"));
  content.lastBuildDate = QString::fromUtf8(firstText(root, {n("updated"), n("modified")}));
  root.forEachChild(n("entry"),
                    [&](const TXmlElement &entry) { content.items.append(atomEntry(entry, ns)); });
}

TFeedFormat formatOf(const TXmlElement &root) {
  const char *ns = root.namespaceUri();
  const char *local = root.localName();
  if (std::strcmp(local, "rss") == 0)
    return TFeedFormat::Rss;
  if (std::strcmp(local, "RDF") == 0 && sameUri(ns, kRdf))
    return TFeedFormat::Rdf;
  if (std::strcmp(local, "feed") == 0 &&
      (ns == nullptr || sameUri(ns, kAtom10) || sameUri(ns, kAtom03)))
    return TFeedFormat::Atom;
  return TFeedFormat::Unknown;
}

} // namespace

QByteArray PlainTextAsMarkup(const QByteArray &text) {
  if (!text.contains('&') && !text.contains('<') && !text.contains('>'))
    return text;
  QByteArray markup;
  markup.reserve(text.size() + 16);
  AppendAsMarkupText(markup, text);
  return markup;
}

TFeedContent ReadXmlFeed(const TXmlElement &root) {
  TFeedContent content;
  content.format = formatOf(root);
  content.rootHasChildren = root.hasChildNodes();
  if (!content.rootHasChildren)
    return content;
  switch (content.format) {
  case TFeedFormat::Rdf:
    readRdf(content, root);
    break;
  case TFeedFormat::Atom:
    readAtom(content, root);
    break;
  default:
    readRss(content, root);
  }
  return content;
}
