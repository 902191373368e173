#include "zentara/ZentaraPage.h"

#include "feeds/FeedXml.h"

#include <algorithm>
#include <array>
#include <libxml/HTMLparser.h>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The page is text already: a meta charset inside it must not make the parser
// decode it a second time. Recovery lets a script or style end only at its own
// end tag, as in a browser, not at the first "</" followed by a letter.
constexpr int kParseOptions = HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                              HTML_PARSE_IGNORE_ENC | HTML_PARSE_RECOVER;

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr char32_t kCodePointEnd = 0x110000;

// What browsers make of the C1 controls as numeric references: the page
// authors meant Windows-1252 ("&#150;" is an en dash). The five codes that
// Windows-1252 leaves unassigned stay as they are.
constexpr std::array<char16_t, 32> kWindows1252C1 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98
};

char32_t browserCodePoint(char32_t value) {
  if (value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value >= kCodePointEnd)
    return kReplacementCharacter;
  if (value >= 0x80 && value <= 0x9F)
    return kWindows1252C1[value - 0x80];
  return value;
}

int digitValue(QChar c, int base) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9')
    return u - u'0';
  if (base == 16 && u >= u'a' && u <= u'f')
    return u - u'a' + 10;
  if (base == 16 && u >= u'A' && u <= u'F')
    return u - u'A' + 10;
  return -1;
}

// libxml2 drops the numeric references it deems invalid, where browsers show
// a character: each such reference is rewritten as the reference of that
// character, so the parser still does all decoding and nothing decoded is
// ever read as markup again. A "&#" without digits is shown as written.
QString withBrowserReferences(const QString &page) {
  QString out;
  qsizetype copiedUpTo = 0;
  for (qsizetype at = page.indexOf(u"&#"); at >= 0; at = page.indexOf(u"&#", at + 1)) {
    const bool hex = at + 2 < page.size() && (page[at + 2] == u'x' || page[at + 2] == u'X');
    const int base = hex ? 16 : 10;
    qsizetype end = at + (hex ? 3 : 2);
    const qsizetype digitsAt = end;
    char32_t value = 0;
    for (int digit; end < page.size() && (digit = digitValue(page[end], base)) >= 0; ++end)
      value = std::min<char32_t>(value * base + digit, kCodePointEnd);
    QString replacement;
    if (end == digitsAt) {
      replacement = u"&amp;#"_s;
      end = at + 2;
    } else if (const char32_t shown = browserCodePoint(value); shown != value) {
      replacement = u"&#"_s + QString::number(shown) + u';';
      if (end < page.size() && page[end] == u';')
        ++end;
    } else {
      continue;
    }
    out.append(QStringView(page).sliced(copiedUpTo, at - copiedUpTo)).append(replacement);
    copiedUpTo = end;
  }
  if (copiedUpTo == 0)
    return page;
  return out.append(QStringView(page).sliced(copiedUpTo));
}

// Delphi's Trim: every character up to and including the space goes.
QString trimControls(const QString &text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first].unicode() <= u' ')
    ++first;
  while (last > first && text[last - 1].unicode() <= u' ')
    --last;
  return text.sliced(first, last - first);
}

bool equalsAsciiNoCase(QStringView text, QLatin1StringView word) {
  if (text.size() != word.size())
    return false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    char16_t c = text[i].unicode();
    if (c >= u'A' && c <= u'Z')
      c = c - u'A' + u'a';
    if (c != char16_t(word[i].unicode()))
      return false;
  }
  return true;
}

// libxml2 lower-cases element and attribute names as it reads them.
bool isNamed(const xmlChar *name, const char *wanted) {
  return xmlStrEqual(name, BAD_CAST wanted);
}

// Elements whose content a browser neither shows as text nor parses as
// markup; libxml2 parses most of them as markup, so a link inside one would
// otherwise appear.
bool hidesContent(const xmlChar *name) {
  for (const char *hiding :
       {"script", "style", "title", "textarea", "iframe", "noembed", "noframes", "template"})
    if (isNamed(name, hiding))
      return true;
  return false;
}

QString attribute(const xmlChar **attributes, const char *name) {
  for (const xmlChar **pair = attributes; pair && pair[0]; pair += 2)
    if (isNamed(pair[0], name))
      return pair[1] ? QString::fromUtf8(reinterpret_cast<const char *>(pair[1])) : QString();
  return {};
}

int fontSizeOf(const QString &value) {
  bool ok = false;
  const int size = value.trimmed().toInt(&ok, 10);
  return ok ? size : 0;
}

TZentaraLabel linkLabel(const xmlChar **attributes) {
  TZentaraLabel label;
  label.link = attribute(attributes, "href");
  label.align = attribute(attributes, "align");
  label.color = attribute(attributes, "color");
  label.fontSize = fontSizeOf(attribute(attributes, "fontsize"));
  label.italic = !attribute(attributes, "italic").isEmpty();
  label.bold = !attribute(attributes, "bold").isEmpty();
  return label;
}

// Takes the place of libxml2's tree builder: the labels come straight from
// the parser's events, so no tree is built and no nesting depth limits or
// endangers the walk.
class TPageReader {
public:
  explicit TPageReader(htmlParserCtxtPtr context) : FContext(context) {
    htmlSAXHandler handler{};
    handler.startElement = &TPageReader::onStart;
    handler.endElement = &TPageReader::onEnd;
    // Whitespace libxml2 calls ignorable separates words in a browser.
    handler.characters = &TPageReader::onText;
    handler.ignorableWhitespace = &TPageReader::onText;
    // Only the content of script and style comes this way.
    handler.cdataBlock = [](void *, const xmlChar *, int) {};
    // Marked as a SAX1 handler: the HTML parser calls only these callbacks.
    handler.initialized = 1;
    *context->sax = handler;
    context->_private = this;
  }

  // Called once the parser is done: should it have given up before closing
  // the last link or the title, they count as they stand.
  QList<TZentaraLabel> takeLabels() {
    finishLink();
    QList<TZentaraLabel> labels;
    if (const QString title = trimControls(QString::fromUtf8(FTitle)); !title.isEmpty())
      labels.append({title, {}, u"center"_s, {}, 14, false, false});
    labels.append(std::move(FLinks));
    if (labels.size() > kZentaraMaxLabels)
      labels.resize(kZentaraMaxLabels);
    return labels;
  }

private:
  struct TOpenLink {
    int depth = 0;
    TZentaraLabel label;
    QByteArray text; // UTF-8, as the parser hands it over
  };

  static TPageReader &of(void *context) {
    return *static_cast<TPageReader *>(static_cast<htmlParserCtxtPtr>(context)->_private);
  }
  static void onStart(void *context, const xmlChar *name, const xmlChar **attributes) {
    of(context).start(name, attributes);
  }
  static void onEnd(void *context, const xmlChar *) { of(context).end(); }
  static void onText(void *context, const xmlChar *text, int length) {
    of(context).append(reinterpret_cast<const char *>(text), length);
  }

  void start(const xmlChar *name, const xmlChar **attributes) {
    ++FDepth;
    if (FDone || FHiddenDepth > 0)
      return;
    if (hidesContent(name)) {
      FHiddenDepth = FDepth;
      if (isNamed(name, "title") && !FTitleSeen) {
        FTitleSeen = true;
        FTitleDepth = FDepth;
      }
    } else if (isNamed(name, "a")) {
      // Browsers never nest links: a new one ends the one still open.
      finishLink();
      if (FLinks.size() < kZentaraMaxLabels)
        FLink = TOpenLink{FDepth, linkLabel(attributes), {}};
    } else if (isNamed(name, "br") && FLink) {
      FLink->text.append('\n');
    }
  }

  void end() {
    if (FDepth == FHiddenDepth)
      FHiddenDepth = 0;
    if (FDepth == FTitleDepth) {
      FTitleDepth = 0;
      FTitleBlank = trimControls(QString::fromUtf8(FTitle)).isEmpty();
    }
    if (FLink && FDepth == FLink->depth)
      finishLink();
    --FDepth;
    stopWhenComplete();
  }

  void append(const char *text, int length) {
    if (FDone)
      return;
    if (FTitleDepth > 0)
      FTitle.append(text, length);
    else if (FHiddenDepth == 0 && FLink)
      FLink->text.append(text, length);
  }

  void finishLink() {
    if (!FLink)
      return;
    QString text = trimControls(QString::fromUtf8(FLink->text));
    if (!text.isEmpty()) {
      FLink->label.text = trimControls(text.replace(u"  "_s, u" "_s));
      FLinks.append(std::move(FLink->label));
    }
    FLink.reset();
  }

  // The rest of the page can change nothing once every label has its text
  // and the title is known; the parser then stops calling back.
  void stopWhenComplete() {
    const bool titleKnown = FTitleSeen && FTitleDepth == 0;
    const qsizetype wanted = kZentaraMaxLabels - (titleKnown && !FTitleBlank ? 1 : 0);
    if (titleKnown && !FLink && FLinks.size() >= wanted) {
      FDone = true;
      FContext->disableSAX = 1;
    }
  }

  htmlParserCtxtPtr FContext;
  int FDepth = 0;
  int FHiddenDepth = 0; // of the element whose content is hidden; 0: none
  int FTitleDepth = 0;  // of the title element being read; 0: none
  bool FTitleSeen = false;
  bool FTitleBlank = true;
  bool FDone = false;
  QByteArray FTitle;
  std::optional<TOpenLink> FLink;
  QList<TZentaraLabel> FLinks;
};

} // namespace

QList<TZentaraLabel> ParseZentaraPage(const QString &page) {
  InitialiseXmlParsing();
  QString text = page.left(kZentaraMaxPageBytes);
  // A NUL would end the parser's input early.
  text.replace(QChar(0), QChar(kReplacementCharacter));
  const QByteArray utf8 = withBrowserReferences(text).toUtf8();
  htmlParserCtxtPtr context = htmlNewParserCtxt();
  if (context == nullptr)
    return {};
  TPageReader reader(context);
  // The reader builds no document; should libxml2 build one, it is not needed.
  xmlFreeDoc(htmlCtxtReadMemory(context, utf8.constData(), int(utf8.size()), nullptr, "UTF-8",
                                kParseOptions));
  htmlFreeParserCtxt(context);
  return reader.takeLabels();
}

Qt::Alignment ZentaraAlignment(const QString &name) {
  if (equalsAsciiNoCase(name, "left"_L1))
    return Qt::AlignLeft;
  if (equalsAsciiNoCase(name, "right"_L1))
    return Qt::AlignRight;
  return Qt::AlignHCenter;
}

std::optional<QColor> ZentaraColor(const QString &name) {
  struct TKeyword {
    QLatin1StringView name;
    QRgb rgb;
  };
  static constexpr std::array<TKeyword, 16> kKeywords = {{
      {"black"_L1, 0x000000},
      {"silver"_L1, 0xC0C0C0},
      {"gray"_L1, 0x808080},
      {"white"_L1, 0xFFFFFF},
      {"maroon"_L1, 0x800000},
      {"red"_L1, 0xFF0000},
      {"purple"_L1, 0x800080},
      {"fuchsia"_L1, 0xFF00FF},
      {"green"_L1, 0x008000},
      {"lime"_L1, 0x00FF00},
      {"olive"_L1, 0x808000},
      {"yellow"_L1, 0xFFFF00},
      {"navy"_L1, 0x000080},
      {"blue"_L1, 0x0000FF},
      {"teal"_L1, 0x008080},
      {"aqua"_L1, 0x00FFFF},
  }};
  for (const TKeyword &keyword : kKeywords)
    if (equalsAsciiNoCase(name, keyword.name))
      return QColor::fromRgb(keyword.rgb);
  return std::nullopt;
}
