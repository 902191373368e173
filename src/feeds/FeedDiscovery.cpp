#include "feeds/FeedDiscovery.h"

#include "feeds/FeedXml.h"
#include "feeds/ServerCharset.h"
#include "platform/Codepage.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include <libxml/HTMLparser.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kParseOptions = HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                              HTML_PARSE_IGNORE_ENC | HTML_PARSE_RECOVER;
// A page's encoding is named near its start, if anywhere.
constexpr qsizetype kCharsetSearchBytes = 4096;

// The charset a <meta charset> or <meta http-equiv content> near the top names.
QByteArray metaCharset(const QByteArray &bytes) {
  static const QRegularExpression meta(u"<meta[^>]*charset\\s*=[^>]*>"_s,
                                       QRegularExpression::CaseInsensitiveOption);
  const QString head = QString::fromLatin1(bytes.left(kCharsetSearchBytes));
  const QString tag = meta.match(head).captured().toLower();
  return CharsetInContentType(tag.toLatin1()).trimmed();
}

// By the byte-order mark, the server's charset, the page's own, else UTF-8
// when the bytes are that, else the Windows-1251 of the boards' home pages.
QString pageText(const QByteArray &bytes, const QByteArray &contentType) {
  if (auto bom = QStringConverter::encodingForData(bytes); bom && *bom != QStringConverter::Latin1)
    return QStringDecoder(*bom, QStringConverter::Flag::ConvertInitialBom).decode(bytes);
  for (const QByteArray &name : {CharsetInContentType(contentType.toLower()), metaCharset(bytes)}) {
    QStringDecoder named(name.constData());
    if (!name.isEmpty() && named.isValid())
      return named.decode(bytes);
  }
  if (QByteArrayView(bytes).isValidUtf8())
    return QString::fromUtf8(bytes);
  return TCodepage::fromCp1251(bytes);
}

TFeedFormat formatOfType(QByteArray type) {
  type = type.split(';').constFirst().trimmed().toLower();
  if (type == "application/rss+xml")
    return TFeedFormat::Rss;
  if (type == "application/rdf+xml")
    return TFeedFormat::Rdf;
  if (type == "application/atom+xml")
    return TFeedFormat::Atom;
  if (type == "application/feed+json")
    return TFeedFormat::JsonFeed;
  return TFeedFormat::Unknown;
}

QString formatName(TFeedFormat format) {
  switch (format) {
  case TFeedFormat::Atom:
    return u"Atom"_s;
  case TFeedFormat::JsonFeed:
    return u"JSON Feed"_s;
  default:
    return u"RSS"_s;
  }
}

QByteArray attribute(xmlNode *node, const char *name) {
  xmlChar *value = xmlGetProp(node, reinterpret_cast<const xmlChar *>(name));
  const QByteArray text(reinterpret_cast<const char *>(value));
  xmlFree(value);
  return text;
}

bool isElement(const xmlNode *node, const char *name) {
  return node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, BAD_CAST name) == 0;
}

bool namesAlternate(const QByteArray &rel) {
  return rel.toLower().simplified().split(' ').contains("alternate");
}

// Every element of the page in document order, without recursion: a page
// nested ever so deep costs no stack.
template <typename Visit> void forEachElement(xmlNode *node, Visit visit) {
  while (node) {
    if (node->type == XML_ELEMENT_NODE)
      visit(node);
    if (node->children && node->type == XML_ELEMENT_NODE) {
      node = node->children;
      continue;
    }
    while (node && !node->next)
      node = node->parent && node->parent->type == XML_ELEMENT_NODE ? node->parent : nullptr;
    node = node ? node->next : nullptr;
  }
}

QList<TFeedLink> pageLinks(const QByteArray &utf8, const QString &address) {
  InitialiseXmlParsing();
  htmlDocPtr doc =
      htmlReadMemory(utf8.constData(), int(utf8.size()), nullptr, "UTF-8", kParseOptions);
  if (!doc)
    return {};
  QUrl base(address);
  QList<TFeedLink> links;
  forEachElement(xmlDocGetRootElement(doc), [&](xmlNode *node) {
    if (isElement(node, "base") && !attribute(node, "href").isEmpty()) {
      base = base.resolved(QUrl(QString::fromUtf8(attribute(node, "href").trimmed())));
      return;
    }
    if (!isElement(node, "link") || !namesAlternate(attribute(node, "rel")))
      return;
    const TFeedFormat format = formatOfType(attribute(node, "type"));
    const QUrl target = base.resolved(QUrl(QString::fromUtf8(attribute(node, "href").trimmed())));
    const QString scheme = target.scheme().toLower();
    if (format == TFeedFormat::Unknown || attribute(node, "href").trimmed().isEmpty() ||
        (scheme != u"http"_s && scheme != u"https"_s))
      return;
    TFeedLink link{target.toString(QUrl::FullyEncoded),
                   QString::fromUtf8(attribute(node, "title")).simplified(), format};
    if (link.title.isEmpty())
      link.title = formatName(format);
    if (std::none_of(links.cbegin(), links.cend(),
                     [&](const TFeedLink &seen) { return seen.address == link.address; }))
      links << link;
  });
  xmlFreeDoc(doc);
  return links;
}

} // namespace

TFeedDiscovery DiscoverFeeds(const QByteArray &body, const QByteArray &contentType,
                             const QString &address) {
  const TFeedParseResult parsed = ParseFeed(body, CharsetInContentType(contentType.toLower()));
  if (parsed.ok())
    return {TFeedDiscovery::Feed, {}};
  if (body.size() > kDiscoveryMaxPageBytes)
    return {};
  QString text = pageText(body, contentType);
  text.replace(QChar(0), QChar::ReplacementCharacter); // a NUL would end the parser's input
  const QList<TFeedLink> links = pageLinks(text.toUtf8(), address);
  return {links.isEmpty() ? TFeedDiscovery::Neither : TFeedDiscovery::Page, links};
}
