// ZentaraPageText: how the page file's bytes become text. The page is read
// the way a browser reads a local HTML file: byte-order mark first, then the
// charset a meta element names near the top, then the page's traditional code
// page.
#include "feeds/ServerCharset.h"
#include "platform/Codepage.h"
#include "zentara/ZentaraPage.h"

#include <QStringDecoder>

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace {

// Browsers look for a meta charset only this far into the file.
constexpr qsizetype kPrescanBytes = 1024;

bool isAsciiWhitespace(char c) {
  return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool startsWithNoCase(QByteArrayView bytes, qsizetype at, QByteArrayView word) {
  if (bytes.size() - at < word.size())
    return false;
  for (qsizetype i = 0; i < word.size(); ++i)
    if (asciiLower(bytes[at + i]) != word[i])
      return false;
  return true;
}

struct TAttribute {
  QByteArray name;  // lower case
  QByteArray value; // lower case, as only charset names are wanted
};

// The byte-stream prescan of the HTML standard, reduced to what finds a
// charset: comments and other tags are stepped over whole, so that a meta
// inside a comment or an attribute value does not count.
class TPrescan {
public:
  explicit TPrescan(QByteArrayView head) : FBytes(head) {}

  QByteArray charset() {
    for (; FAt < FBytes.size(); ++FAt) {
      if (startsWithNoCase(FBytes, FAt, "<!--")) {
        skipComment();
      } else if (startsWithNoCase(FBytes, FAt, "<meta") && FAt + 5 < FBytes.size() &&
                 (isAsciiWhitespace(FBytes[FAt + 5]) || FBytes[FAt + 5] == '/')) {
        FAt += 6;
        if (QByteArray found = metaCharset(); !found.isEmpty())
          return found;
      } else if (isTagStart()) {
        skipTag();
      } else if (startsWithNoCase(FBytes, FAt, "<!") || startsWithNoCase(FBytes, FAt, "</") ||
                 startsWithNoCase(FBytes, FAt, "<?")) {
        skipTo('>');
      }
    }
    return {};
  }

private:
  bool atEnd() const { return FAt >= FBytes.size(); }
  char current() const { return FBytes[FAt]; }

  bool isTagStart() const {
    const qsizetype letterAt = FAt + (startsWithNoCase(FBytes, FAt, "</") ? 2 : 1);
    if (current() != '<' || letterAt >= FBytes.size())
      return false;
    const char c = asciiLower(FBytes[letterAt]);
    return c >= 'a' && c <= 'z';
  }

  // "<!-->" closes itself: the dashes of the opening count.
  void skipComment() {
    const qsizetype end = FBytes.indexOf("-->", FAt + 2);
    FAt = end < 0 ? FBytes.size() : end + 2;
  }

  void skipTo(char c) {
    while (!atEnd() && current() != c)
      ++FAt;
  }

  void skipTag() {
    while (!atEnd() && !isAsciiWhitespace(current()) && current() != '>')
      ++FAt;
    while (nextAttribute()) {
    }
  }

  QByteArray metaCharset() {
    QList<QByteArray> seen;
    bool gotPragma = false;
    std::optional<bool> needPragma;
    QByteArray charset;
    while (const std::optional<TAttribute> attribute = nextAttribute()) {
      if (seen.contains(attribute->name))
        continue;
      seen.append(attribute->name);
      if (attribute->name == "http-equiv") {
        gotPragma = gotPragma || attribute->value == "content-type";
      } else if (attribute->name == "content" && charset.isEmpty()) {
        charset = CharsetInContentType(attribute->value);
        if (!charset.isEmpty())
          needPragma = true;
      } else if (attribute->name == "charset") {
        charset = attribute->value;
        needPragma = false;
      }
    }
    if (!needPragma || (*needPragma && !gotPragma))
      return {};
    return charset.trimmed();
  }

  std::optional<TAttribute> nextAttribute() {
    while (!atEnd() && (isAsciiWhitespace(current()) || current() == '/'))
      ++FAt;
    if (atEnd() || current() == '>')
      return std::nullopt;
    TAttribute attribute;
    for (; !atEnd(); ++FAt) {
      const char c = current();
      if (c == '=' && !attribute.name.isEmpty())
        break;
      if (c == '/' || c == '>')
        return attribute;
      if (isAsciiWhitespace(c)) {
        while (!atEnd() && isAsciiWhitespace(current()))
          ++FAt;
        if (atEnd() || current() != '=')
          return attribute;
        break;
      }
      attribute.name.append(asciiLower(c));
    }
    if (atEnd())
      return std::nullopt;
    ++FAt; // the '='
    while (!atEnd() && isAsciiWhitespace(current()))
      ++FAt;
    if (atEnd())
      return std::nullopt;
    if (const char quote = current(); quote == '"' || quote == '\'') {
      for (++FAt; !atEnd(); ++FAt) {
        if (current() == quote) {
          ++FAt;
          return attribute;
        }
        attribute.value.append(asciiLower(current()));
      }
      return std::nullopt;
    }
    for (; !atEnd() && !isAsciiWhitespace(current()) && current() != '>'; ++FAt)
      attribute.value.append(asciiLower(current()));
    return attribute;
  }

  QByteArrayView FBytes;
  qsizetype FAt = 0;
};

bool isOneOf(const QByteArray &name, std::initializer_list<const char *> names) {
  for (const char *candidate : names)
    if (name == candidate)
      return true;
  return false;
}

// Browsers' label rules: a meta that could be read as ASCII cannot be right
// about UTF-16 or UTF-32, and "latin1" in the wild means Windows-1252.
QByteArray encodingForLabel(const QByteArray &label) {
  if (label.startsWith("utf-16") || label == "unicode")
    return "utf-8";
  if (label.startsWith("utf-32") || label == "utf-7" || label == "x-user-defined")
    return {};
  if (isOneOf(label, {"ascii", "us-ascii", "ansi_x3.4-1968", "latin1", "l1", "iso-8859-1",
                      "iso8859-1", "iso88591", "iso_8859-1", "iso_8859-1:1987", "iso-ir-100",
                      "cp819", "ibm819", "csisolatin1", "x-cp1252", "cp1252"}))
    return "windows-1252";
  if (isOneOf(label, {"windows-1251", "cp1251", "x-cp1251"}))
    return "windows-1251";
  return label;
}

QString decode(QByteArrayView bytes, const QByteArray &encoding) {
  if (!encoding.isEmpty() && encoding != "windows-1251") {
    QStringDecoder decoder(encoding.constData());
    if (decoder.isValid())
      return decoder.decode(bytes);
  }
  return TCodepage::fromCp1251(bytes);
}

QString decodePage(QByteArrayView bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF"))
    return QString::fromUtf8(bytes.sliced(3));
  if (bytes.startsWith("\xFF\xFE"))
    return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.sliced(2));
  if (bytes.startsWith("\xFE\xFF"))
    return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.sliced(2));
  const QByteArray label = TPrescan(bytes.first(std::min(bytes.size(), kPrescanBytes))).charset();
  return decode(bytes, encodingForLabel(label));
}

} // namespace

QString ZentaraPageText(const QByteArray &bytes) {
  QString text =
      decodePage(QByteArrayView(bytes).first(std::min(bytes.size(), kZentaraMaxPageBytes)));
  // The file is read line by line and the lines are joined with nothing
  // between them, whichever of CR LF, CR or LF ends them.
  text.remove(u'\r');
  text.remove(u'\n');
  return text;
}
