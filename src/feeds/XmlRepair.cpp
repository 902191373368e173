#include "feeds/XmlRepair.h"

#include "feeds/HtmlEntities.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

bool isHtmlNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Close enough to XML's own rule: every byte of a non-ASCII letter counts.
bool isXmlNameChar(char c) {
  return isHtmlNameChar(c) || c == '-' || c == '_' || c == '.' || c == ':' || (c & 0x80) != 0;
}

// Tells, for positions met in increasing order, whether one lies inside a
// CDATA section. Each section is looked for once, so the whole walk is linear.
class TCdataSections {
public:
  explicit TCdataSections(QByteArrayView text) : FText(text) {}
  // Where the section holding `at` ends, or `at` when none holds it.
  qsizetype endOfSectionAt(qsizetype at) {
    for (;;) {
      if (FOpen < 0)
        findNext();
      if (at < FOpen)
        return at;
      if (at < FClose)
        return FClose;
      FFrom = FClose + 3;
      FOpen = -1;
    }
  }

private:
  void findNext() {
    FOpen = FText.indexOf("<![CDATA[", FFrom);
    if (FOpen < 0) {
      FOpen = FClose = FText.size();
      return;
    }
    FClose = FText.indexOf("]]>", FOpen + 9);
    if (FClose < 0)
      FClose = FText.size();
  }

  QByteArrayView FText;
  qsizetype FFrom = 0;
  qsizetype FOpen = -1;
  qsizetype FClose = -1;
};

bool isXmlCharacter(quint32 ch) {
  return ch == 0x9 || ch == 0xA || ch == 0xD || (ch >= 0x20 && ch <= 0xD7FF) ||
         (ch >= 0xE000 && ch <= 0xFFFD) || (ch >= 0x10000 && ch <= 0x10FFFF);
}

int digitValue(char c, bool hex) {
  if (c >= '0' && c <= '9')
    return c - '0';
  const char lower = char(c | 0x20);
  return hex && lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// One "&" of the document and what becomes of it: kept for the parser,
// replaced by the characters of `entity`, or escaped as a bare "&".
struct TReference {
  enum Kind { Keep, Replace, Bare };
  TReference(Kind kind = Bare, qsizetype length = 1, THtmlEntity entity = {})
      : kind(kind), length(length), entity(entity) {}
  Kind kind;
  qsizetype length; // with the ";", when replaced
  THtmlEntity entity;
};

TReference numberAt(QByteArrayView text, qsizetype at) {
  qsizetype end = at + 2;
  const bool hex = end < text.size() && (text[end] == 'x' || text[end] == 'X');
  end += hex ? 1 : 0;
  const qsizetype digits = end;
  quint32 value = 0;
  for (int digit = 0; end < text.size() && (digit = digitValue(text[end], hex)) >= 0; ++end)
    value = std::min<quint32>(value * (hex ? 16 : 10) + quint32(digit), 0x110000);
  if (end == digits || end >= text.size() || text[end] != ';')
    return {};
  if (isXmlCharacter(value))
    return {TReference::Keep};
  return {TReference::Replace, end + 1 - at, {0xFFFD, 0}}; // as a browser shows it
}

// Unknown names are what a browser would show as written, unless the
// document has a document type: then they may be its own entities, which
// are the parser's to refuse.
class TReferenceReader {
public:
  explicit TReferenceReader(QByteArrayView text) : FText(text) {}

  TReference at(qsizetype at) {
    qsizetype end = at + 1;
    if (end < FText.size() && FText[end] == '#')
      return numberAt(FText, at);
    bool html = true;
    for (; end < FText.size() && isXmlNameChar(FText[end]); ++end)
      html = html && isHtmlNameChar(FText[end]);
    if (end == at + 1 || end >= FText.size() || FText[end] != ';')
      return {};
    const std::string_view name(FText.data() + at + 1, std::size_t(end - at));
    for (const std::string_view predefined : {"amp;", "lt;", "gt;", "quot;", "apos;"}) {
      if (name == predefined)
        return {TReference::Keep};
    }
    const THtmlEntity entity = html ? HtmlEntity(name) : THtmlEntity();
    if (entity.first != 0)
      return {TReference::Replace, end + 1 - at, entity};
    return {hasDocumentType() ? TReference::Keep : TReference::Bare};
  }

private:
  bool hasDocumentType() {
    if (FDocumentType < 0)
      FDocumentType = FText.indexOf("<!DOCTYPE") >= 0 ? 1 : 0;
    return FDocumentType == 1;
  }

  QByteArrayView FText;
  int FDocumentType = -1;
};

void appendNumeric(QByteArray &out, char32_t ch) {
  out += "&#";
  out += QByteArray::number(quint32(ch));
  out += ';';
}

} // namespace

QByteArray WithHtmlReferencesRepaired(const QByteArray &utf8) {
  const QByteArrayView text(utf8);
  if (text.isEmpty())
    return utf8;
  TCdataSections cdata(text);
  TReferenceReader references(text);
  QByteArray repaired;
  qsizetype copied = 0;
  qsizetype at = 0;
  while (const char *amp = static_cast<const char *>(
             std::memchr(text.data() + at, '&', std::size_t(text.size() - at)))) {
    at = amp - text.data();
    // Descriptions are mostly CDATA full of "&nbsp;": skipped whole, unread.
    if (const qsizetype end = cdata.endOfSectionAt(at); end > at) {
      at = end;
      continue;
    }
    const TReference reference = references.at(at);
    if (reference.kind != TReference::Keep) {
      if (repaired.isNull())
        repaired.reserve(text.size() + text.size() / 16);
      repaired += text.sliced(copied, at - copied);
      if (reference.kind == TReference::Bare) {
        repaired += "&amp;";
      } else {
        appendNumeric(repaired, reference.entity.first);
        if (reference.entity.second != 0)
          appendNumeric(repaired, reference.entity.second);
      }
      copied = at + reference.length;
    }
    ++at;
  }
  if (repaired.isNull())
    return utf8;
  repaired += text.sliced(copied);
  return repaired;
}
