#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

struct _xmlDoc;
struct _xmlNode;

// An element's name: its namespace and its local name. Feeds written with a
// prefix they never declare ("dc:date" alone) keep the prefix in the name, so
// `prefixed` names that spelling too.
struct TXmlName {
  const char *ns = nullptr; // the namespace URI; null for none
  const char *local = nullptr;
  const char *prefixed = nullptr;
};

// A read-only view of one element of a parsed document.
class TXmlElement {
public:
  explicit TXmlElement(_xmlNode *node = nullptr) : FNode(node) {}

  bool isNull() const { return FNode == nullptr; }
  // Whitespace between elements does not count as a child node.
  bool hasChildNodes() const;
  const char *localName() const;
  const char *namespaceUri() const; // null for none
  // The first child element of that name; a null element when none.
  TXmlElement child(const TXmlName &name) const;
  void forEachChild(const TXmlName &name,
                    const std::function<void(const TXmlElement &)> &visit) const;
  // The first child element with that local name, in any namespace.
  TXmlElement childNamed(const char *local) const;
  // The attribute's value as written, or a null array; `ns` null for an
  // attribute without a prefix.
  QByteArray attribute(const char *local, const char *ns = nullptr) const;
  // The address resolved against the xml:base in effect here, when there is one.
  QByteArray resolved(const QByteArray &address) const;

  // The element's whole text, in UTF-8. Text and CDATA are taken in order;
  // blank runs beside CDATA or child elements are layout and are left out.
  // Child elements are markup the board did not escape: they come back as
  // markup, their text escaped, so that they read exactly as escaped markup
  // would. Entities the document declares itself are never expanded.
  QByteArray text() const;

private:
  _xmlNode *FNode;
};

// Appends plain text as markup that reads back as that text: "&", "<" and ">"
// escaped.
void AppendAsMarkupText(QByteArray &out, QByteArrayView text);

// Readies libxml2 once for the process: whatever a document or page asks,
// no external entity, DTD or schema is ever loaded. Every parse calls it
// first; calling it again costs nothing.
void InitialiseXmlParsing();

class TXmlDocument;

struct TXmlParseResult {
  std::unique_ptr<TXmlDocument> document; // null when the text is not a document
  QString error;                          // the parser's first error then
};

// A document parsed from untrusted text, already decoded to UTF-8: never
// loading a DTD, an external entity or anything from the network, and never
// expanding entities defined in the document.
class TXmlDocument {
public:
  ~TXmlDocument();
  TXmlDocument(const TXmlDocument &) = delete;
  TXmlDocument &operator=(const TXmlDocument &) = delete;

  // With `recover`, a document that is not well-formed is read as far as
  // libxml2 can make sense of it.
  static TXmlParseResult parse(const QByteArray &utf8, bool recover = false);
  TXmlElement root() const;

private:
  explicit TXmlDocument(_xmlDoc *doc) : FDoc(doc) {}
  _xmlDoc *FDoc;
};
