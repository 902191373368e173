#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

struct _xmlDoc;
struct _xmlNode;

// A read-only view of one element of a parsed document, with the lookup rules
// the reader relies on: children are matched by their name as written
// ("dc:date"), and an element's text is that of its first child node.
class TXmlElement {
public:
  explicit TXmlElement(_xmlNode *node = nullptr) : FNode(node) {}

  bool isNull() const { return FNode == nullptr; }
  // Whitespace between elements does not count as a child node.
  bool hasChildNodes() const;
  // The first child element named exactly `name`; a null element when none.
  TXmlElement child(const char *name) const;
  // The value of the first child node when it is text or CDATA, else empty.
  // Text is in the Windows-1251 repertoire.
  QString text() const;
  // The same text as the document holds it, in UTF-8.
  QByteArray utf8Text() const;
  QString childText(const char *name) const { return child(name).text(); }
  void forEachChild(const char *name, const std::function<void(const TXmlElement &)> &visit) const;

private:
  _xmlNode *FNode;
};

// Text as the document holds it (UTF-8), brought into the Windows-1251
// repertoire that every text of the reader is in.
QString TextFromDocument(const QByteArray &utf8);

// Readies libxml2 once for the process: whatever a document or page asks,
// no external entity, DTD or schema is ever loaded. Every parse calls it
// first; calling it again costs nothing.
void InitialiseXmlParsing();

class TXmlDocument;

struct TXmlParseResult {
  std::unique_ptr<TXmlDocument> document; // null when the bytes are not a document
  QString error;                          // the parser's first error then
};

// A document parsed from untrusted bytes: decoded by its BOM or declared
// encoding, never loading a DTD, an external entity or anything from the
// network, and never expanding entities defined in the document.
class TXmlDocument {
public:
  ~TXmlDocument();
  TXmlDocument(const TXmlDocument &) = delete;
  TXmlDocument &operator=(const TXmlDocument &) = delete;

  static TXmlParseResult parse(const QByteArray &bytes);
  TXmlElement root() const;

private:
  explicit TXmlDocument(_xmlDoc *doc) : FDoc(doc) {}
  _xmlDoc *FDoc;
};
