#include "feeds/FeedXml.h"

#include <cstring>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/uri.h>
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
// between markup are layout, not content.
const _xmlNode *firstContentNode(const _xmlNode *element) {
  for (const _xmlNode *n = element->children; n; n = n->next) {
    if (!isWhitespaceText(n))
      return n;
  }
  return nullptr;
}

bool sameNamespace(const _xmlNode *node, const char *ns) {
  const char *own = node->ns ? reinterpret_cast<const char *>(node->ns->href) : nullptr;
  if (own == nullptr || ns == nullptr)
    return own == ns;
  return std::strcmp(own, ns) == 0;
}

bool hasName(const _xmlNode *node, const TXmlName &name) {
  if (node->type != XML_ELEMENT_NODE || node->name == nullptr)
    return false;
  const char *written = reinterpret_cast<const char *>(node->name);
  if (std::strcmp(written, name.local) == 0 && sameNamespace(node, name.ns))
    return true;
  return name.prefixed && node->ns == nullptr && std::strcmp(written, name.prefixed) == 0;
}

// Markup as the board would have escaped it: tags by their local names,
// without attributes, and text escaped, so that the description rules read it
// the way they read escaped markup. libxml2 caps the depth, which bounds the
// recursion.
void appendMarkup(QByteArray &out, const _xmlNode *parent, bool outermost) {
  for (const _xmlNode *n = parent->children; n; n = n->next) {
    if (n->type == XML_ELEMENT_NODE) {
      const char *name = reinterpret_cast<const char *>(n->name);
      out += '<';
      out += name;
      if (n->children == nullptr) {
        out += "/>";
        continue;
      }
      out += '>';
      appendMarkup(out, n, false);
      out += "</";
      out += name;
      out += '>';
    } else if (n->type == XML_CDATA_SECTION_NODE ||
               (n->type == XML_TEXT_NODE && !(outermost && isWhitespaceText(n)))) {
      AppendAsMarkupText(out, reinterpret_cast<const char *>(n->content));
    }
  }
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

void AppendAsMarkupText(QByteArray &out, QByteArrayView text) {
  for (const char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
}

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

const char *TXmlElement::localName() const {
  return FNode ? reinterpret_cast<const char *>(FNode->name) : "";
}

const char *TXmlElement::namespaceUri() const {
  return FNode && FNode->ns ? reinterpret_cast<const char *>(FNode->ns->href) : nullptr;
}

TXmlElement TXmlElement::child(const TXmlName &name) const {
  if (!FNode)
    return TXmlElement();
  for (_xmlNode *n = FNode->children; n; n = n->next) {
    if (hasName(n, name))
      return TXmlElement(n);
  }
  return TXmlElement();
}

void TXmlElement::forEachChild(const TXmlName &name,
                               const std::function<void(const TXmlElement &)> &visit) const {
  if (!FNode)
    return;
  for (_xmlNode *n = FNode->children; n; n = n->next) {
    if (hasName(n, name))
      visit(TXmlElement(n));
  }
}

TXmlElement TXmlElement::childNamed(const char *local) const {
  if (!FNode)
    return TXmlElement();
  for (_xmlNode *n = FNode->children; n; n = n->next) {
    if (n->type == XML_ELEMENT_NODE &&
        std::strcmp(reinterpret_cast<const char *>(n->name), local) == 0)
      return TXmlElement(n);
  }
  return TXmlElement();
}

QByteArray TXmlElement::attribute(const char *local, const char *ns) const {
  if (!FNode)
    return {};
  xmlChar *value =
      ns ? xmlGetNsProp(FNode, BAD_CAST local, BAD_CAST ns) : xmlGetNoNsProp(FNode, BAD_CAST local);
  if (value == nullptr)
    return {};
  QByteArray result(reinterpret_cast<const char *>(value));
  xmlFree(value);
  return result;
}

QByteArray TXmlElement::resolved(const QByteArray &address) const {
  if (!FNode)
    return address;
  // The document has no address of its own, so a base exists only where the
  // feed set one with xml:base.
  xmlChar *base = xmlNodeGetBase(FNode->doc, FNode);
  if (base == nullptr)
    return address;
  xmlChar *uri = xmlBuildURI(BAD_CAST address.constData(), base);
  xmlFree(base);
  if (uri == nullptr)
    return address;
  QByteArray result(reinterpret_cast<const char *>(uri));
  xmlFree(uri);
  return result;
}

QByteArray TXmlElement::text() const {
  if (!FNode)
    return {};
  const _xmlNode *only = nullptr;
  int pieces = 0;
  bool cdata = false;
  for (const _xmlNode *n = FNode->children; n; n = n->next) {
    if (n->type == XML_ELEMENT_NODE) {
      QByteArray markup;
      appendMarkup(markup, FNode, true);
      return markup;
    }
    if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
      cdata = cdata || n->type == XML_CDATA_SECTION_NODE;
      only = n;
      ++pieces;
    }
  }
  if (pieces == 1) // nearly every field: one text or one CDATA section
    return QByteArray(reinterpret_cast<const char *>(only->content));
  QByteArray joined;
  for (const _xmlNode *n = FNode->children; n; n = n->next) {
    if (n->type == XML_CDATA_SECTION_NODE ||
        (n->type == XML_TEXT_NODE && !(cdata && isWhitespaceText(n))))
      joined += reinterpret_cast<const char *>(n->content);
  }
  return joined;
}

TXmlDocument::~TXmlDocument() {
  xmlFreeDoc(FDoc);
}

TXmlElement TXmlDocument::root() const {
  return TXmlElement(xmlDocGetRootElement(FDoc));
}

TXmlParseResult TXmlDocument::parse(const QByteArray &utf8, bool recover) {
  InitialiseXmlParsing();
  TXmlParseResult result;
  xmlParserCtxtPtr context = xmlNewParserCtxt();
  if (context == nullptr) {
    result.error = QStringLiteral("Out of memory");
    return result;
  }
  TFirstError firstError;
  xmlSetStructuredErrorFunc(&firstError, &TFirstError::record);
  xmlDocPtr doc = xmlCtxtReadMemory(context, utf8.constData(), int(utf8.size()), nullptr, "UTF-8",
                                    kParseOptions | (recover ? XML_PARSE_RECOVER : 0));
  xmlSetStructuredErrorFunc(nullptr, nullptr);
  const bool wellFormed = context->wellFormed != 0;
  xmlFreeParserCtxt(context);
  if (doc == nullptr || !(wellFormed || recover) || xmlDocGetRootElement(doc) == nullptr) {
    xmlFreeDoc(doc);
    result.error =
        firstError.message.isEmpty() ? QStringLiteral("Not an XML document") : firstError.message;
    return result;
  }
  result.document.reset(new TXmlDocument(doc));
  return result;
}
