#include "feeds/FeedXml.h"

#include "feeds/XmlDecoding.h"
#include "platform/Codepage.h"

#include <cstring>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

namespace {

bool isWhitespaceText(const _xmlNode *node) {
  if (node->type != XML_TEXT_NODE || node->content == nullptr)
    return false;
  for (const xmlChar *c = node->content; *c; ++c) {
    if (*c != ' ' && *c != '\t' && *c != '\r' && *c != '\n')
      return false;
  }
  return true;
}

// Feeds are written with their fields indented; those whitespace-only runs
// between markup are layout, not content, and must not hide the text or CDATA
// that follows them.
const _xmlNode *firstContentNode(const _xmlNode *element) {
  for (const _xmlNode *n = element->children; n; n = n->next) {
    if (!isWhitespaceText(n))
      return n;
  }
  return nullptr;
}

bool hasName(const _xmlNode *node, const char *name) {
  if (node->type != XML_ELEMENT_NODE || node->name == nullptr)
    return false;
  const char *local = reinterpret_cast<const char *>(node->name);
  if (node->ns == nullptr || node->ns->prefix == nullptr)
    return std::strcmp(local, name) == 0;
  const char *prefix = reinterpret_cast<const char *>(node->ns->prefix);
  const std::size_t prefixLength = std::strlen(prefix);
  return std::strncmp(name, prefix, prefixLength) == 0 && name[prefixLength] == ':' &&
         std::strcmp(name + prefixLength + 1, local) == 0;
}

// No entity, DTD or schema may be fetched from anywhere, whatever a document asks.
xmlParserInputPtr refuseExternalEntity(const char *, const char *, xmlParserCtxtPtr) {
  return nullptr;
}

// The first error is the one that says what is wrong; later ones are often
// only "Premature end of data".
struct TFirstError {
  QString message;
  static void record(void *data, xmlErrorPtr error) {
    auto *self = static_cast<TFirstError *>(data);
    if (!self->message.isEmpty() || error == nullptr || error->level < XML_ERR_FATAL)
      return;
    const QString text = QString::fromUtf8(error->message ? error->message : "").trimmed();
    self->message =
        error->line > 0 ? QStringLiteral("Line %1: %2").arg(error->line).arg(text) : text;
  }
};

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

} // namespace

void InitialiseXmlParsing() {
  static const bool initialised = [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(refuseExternalEntity);
    return true;
  }();
  Q_UNUSED(initialised);
}

bool TXmlElement::hasChildNodes() const {
  return FNode && firstContentNode(FNode) != nullptr;
}

TXmlElement TXmlElement::child(const char *name) const {
  if (!FNode)
    return TXmlElement();
  for (_xmlNode *n = FNode->children; n; n = n->next) {
    if (hasName(n, name))
      return TXmlElement(n);
  }
  return TXmlElement();
}

QString TextFromDocument(const QByteArray &utf8) {
  return TCodepage::inRepertoire(QString::fromUtf8(utf8));
}

QString TXmlElement::text() const {
  return TextFromDocument(utf8Text());
}

QByteArray TXmlElement::utf8Text() const {
  if (!FNode)
    return {};
  const _xmlNode *first = firstContentNode(FNode);
  if (first == nullptr || (first->type != XML_TEXT_NODE && first->type != XML_CDATA_SECTION_NODE))
    return {};
  return QByteArray(reinterpret_cast<const char *>(first->content));
}

void TXmlElement::forEachChild(const char *name,
                               const std::function<void(const TXmlElement &)> &visit) const {
  if (!FNode)
    return;
  for (_xmlNode *n = FNode->children; n; n = n->next) {
    if (hasName(n, name))
      visit(TXmlElement(n));
  }
}

TXmlDocument::~TXmlDocument() {
  xmlFreeDoc(FDoc);
}

TXmlElement TXmlDocument::root() const {
  return TXmlElement(xmlDocGetRootElement(FDoc));
}

TXmlParseResult TXmlDocument::parse(const QByteArray &bytes) {
  InitialiseXmlParsing();
  TXmlParseResult result;
  const TXmlDecoded decoded = DecodeXml(bytes);
  if (!decoded.error.isEmpty()) {
    result.error = decoded.error;
    return result;
  }
  xmlParserCtxtPtr context = xmlNewParserCtxt();
  if (context == nullptr) {
    result.error = QStringLiteral("Out of memory");
    return result;
  }
  TFirstError firstError;
  xmlSetStructuredErrorFunc(&firstError, &TFirstError::record);
  xmlDocPtr doc = xmlCtxtReadMemory(context, decoded.utf8.constData(), int(decoded.utf8.size()),
                                    "feed.xml", "UTF-8", kParseOptions);
  xmlSetStructuredErrorFunc(nullptr, nullptr);
  const bool wellFormed = context->wellFormed != 0;
  xmlFreeParserCtxt(context);
  if (doc == nullptr || !wellFormed || xmlDocGetRootElement(doc) == nullptr) {
    xmlFreeDoc(doc);
    result.error =
        firstError.message.isEmpty() ? QStringLiteral("Not an XML document") : firstError.message;
    return result;
  }
  result.document.reset(new TXmlDocument(doc));
  return result;
}
