#include "feeds/Opml.h"

#include "feeds/FeedXml.h"
#include "feeds/XmlDecoding.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

TOpmlReadResult failed(const QString &error) {
  TOpmlReadResult result;
  result.error = error;
  return result;
}

// Text as written, trimmed. QString::fromUtf8 drops a U+FEFF that comes
// first, so a label " \uFEFF" would read as "\uFEFF", and once written, read
// again as nothing at all.
QString textOf(const QByteArray &utf8) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
  return QString(decoder.decode(utf8)).trimmed();
}

QString attribute(const TXmlElement &element, const char *name) {
  return textOf(element.attribute(name));
}

// OPML names the attribute xmlUrl, but exporters of the early 2000s wrote it
// in whatever case they pleased, and readers have taken those files since.
QString addressOf(const TXmlElement &outline) {
  static constexpr std::array spellings{"xmlUrl", "xmlurl", "XMLURL", "xmlURL"};
  for (const char *name : spellings) {
    if (QString address = attribute(outline, name); !address.isEmpty())
      return address;
  }
  return {};
}

// What the reader showed for the outline: text is the attribute OPML asks
// for, title the one some readers write instead.
QString labelOf(const TXmlElement &outline) {
  const QString text = attribute(outline, "text");
  return text.isEmpty() ? attribute(outline, "title") : text;
}

// The start of a page a browser saved, or a server sent, in place of the file.
bool looksLikeHtml(const QByteArray &utf8) {
  const QByteArray head = utf8.left(1024).trimmed().toLower();
  return head.startsWith("<!doctype html") || head.startsWith("<html");
}

// A folder met on the way down: its label and the folder it stands in, so
// that a feed's path is found by walking up, however many feeds share it.
struct TFolderNode {
  QString label;
  int parent;
};

QStringList pathOf(const std::vector<TFolderNode> &folders, int folder) {
  QStringList path;
  for (; folder >= 0; folder = folders[std::size_t(folder)].parent)
    path.prepend(folders[std::size_t(folder)].label);
  return path;
}

// The outlines under `body`, in document order. The walk keeps its own stack:
// the depth is whatever the file says, and the parser's cap on it is no
// promise about this function's frames.
//
// An outline with an address is a feed even when it holds outlines of its
// own, as some readers write a feed's items or a group under it. Those
// children are read as standing where the feed stands: dropping them would
// lose feeds the user subscribed to, and a feed is no folder to name them by.
bool readOutlines(const TXmlElement &body, const char *ns, TOpmlDocument &document) {
  const TXmlName outlineName{ns, "outline", nullptr};
  std::vector<TFolderNode> folders;
  std::vector<std::pair<TXmlElement, int>> pending;
  const auto pushChildren = [&](const TXmlElement &parent, int folder) {
    const std::size_t first = pending.size();
    parent.forEachChild(outlineName,
                        [&](const TXmlElement &child) { pending.emplace_back(child, folder); });
    std::reverse(pending.begin() + std::ptrdiff_t(first), pending.end());
  };
  pushChildren(body, -1);
  while (!pending.empty()) {
    const auto [outline, folder] = pending.back();
    pending.pop_back();
    int inner = folder;
    if (const QString address = addressOf(outline); !address.isEmpty()) {
      if (document.feeds.size() >= kOpmlMaxFeeds)
        return false;
      const QString name = labelOf(outline);
      document.feeds.append({pathOf(folders, folder), name.isEmpty() ? address : name, address});
    } else if (QString label = labelOf(outline); !label.isEmpty()) {
      folders.push_back({std::move(label), folder});
      inner = int(folders.size()) - 1;
    }
    pushChildren(outline, inner);
  }
  return true;
}

// Characters an attribute or a title may carry through a reader's parser: the
// markup ones escaped; tab and line ends as references, since a parser turns
// them into spaces when written as they are; and the control characters XML
// cannot hold at all, not even as references, left out.
QByteArray escaped(const QString &text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    switch (c.unicode()) {
    case u'&':
      out += u"&amp;"_s;
      break;
    case u'<':
      out += u"&lt;"_s;
      break;
    case u'>':
      out += u"&gt;"_s;
      break;
    case u'"':
      out += u"&quot;"_s;
      break;
    case u'\t':
    case u'\n':
    case u'\r':
      out += u"&#"_s + QString::number(c.unicode()) + u';';
      break;
    default:
      if (c.unicode() >= 0x20 && c.unicode() != 0xFFFE && c.unicode() != 0xFFFF)
        out += c;
    }
  }
  return out.toUtf8();
}

void writeFeeds(QByteArray &out, const QByteArray &indent, const TOpmlFolder &folder) {
  for (const auto &[name, address] : folder.feeds) {
    // An outline without text breaks OPML's one rule for it; the address is
    // what a nameless feed is shown by anyway.
    QByteArray text = escaped(name);
    if (text.trimmed().isEmpty())
      text = escaped(address);
    out += indent + "<outline type=\"rss\" text=\"" + text + "\" title=\"" + text + "\" xmlUrl=\"" +
           escaped(address) + "\"/>\n";
  }
}

} // namespace

TOpmlReadResult ReadOpml(const QByteArray &bytes) {
  if (bytes.size() > kOpmlMaxBytes)
    return failed(u"Файл больше 10 МБ: это не список лент"_s);
  if (bytes.trimmed().isEmpty())
    return failed(u"Файл пуст"_s);
  const TXmlDecoded decoded = DecodeXml(bytes);
  if (!decoded.error.isEmpty())
    return failed(u"Файл OPML не читается: "_s + decoded.error);
  if (looksLikeHtml(decoded.utf8))
    return failed(u"Файл не является файлом OPML: это веб-страница"_s);
  // OPML has no document type. One in the file can only be there to declare
  // entities, so the parser never sees it.
  if (decoded.utf8.contains("<!DOCTYPE"))
    return failed(u"Файл отклонён: в нём есть DOCTYPE, которого в OPML не бывает"_s);
  const TXmlParseResult parsed = TXmlDocument::parse(decoded.utf8);
  if (!parsed.document)
    return failed(u"Файл OPML не читается: "_s + parsed.error);
  const TXmlElement root = parsed.document->root();
  if (std::strcmp(root.localName(), "html") == 0)
    return failed(u"Файл не является файлом OPML: это веб-страница"_s);
  if (std::strcmp(root.localName(), "opml") != 0)
    return failed(u"Файл не является файлом OPML: в нём <%1> вместо <opml>"_s.arg(
        QString::fromUtf8(root.localName())));
  // Every element is in the root's namespace, usually none.
  const char *ns = root.namespaceUri();
  const TXmlElement body = root.child({ns, "body", nullptr});
  if (body.isNull())
    return failed(u"В файле OPML нет раздела <body>"_s);
  TOpmlReadResult result;
  result.document.title =
      textOf(root.child({ns, "head", nullptr}).child({ns, "title", nullptr}).text());
  if (!readOutlines(body, ns, result.document))
    return failed(
        u"В файле OPML больше %1 лент: такой список не импортируется"_s.arg(kOpmlMaxFeeds));
  if (result.document.feeds.isEmpty())
    return failed(u"В файле OPML нет ни одной ленты"_s);
  result.ok = true;
  return result;
}

QByteArray WriteOpml(const QString &title, const QList<TOpmlFolder> &folders) {
  QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<opml version=\"2.0\">\n"
                   "  <head>\n"
                   "    <title>" +
                   escaped(title) +
                   "</title>\n"
                   "  </head>\n"
                   "  <body>\n";
  for (const TOpmlFolder &folder : folders) {
    // A folder without a label reads back as none; its feeds are written
    // where they will be read, at the top.
    const QByteArray label = escaped(folder.title);
    if (label.trimmed().isEmpty()) {
      writeFeeds(out, "    ", folder);
      continue;
    }
    const QByteArray open = "    <outline text=\"" + label + "\" title=\"" + label + '"';
    if (folder.feeds.isEmpty()) {
      out += open + "/>\n";
      continue;
    }
    out += open + ">\n";
    writeFeeds(out, "      ", folder);
    out += "    </outline>\n";
  }
  out += "  </body>\n"
         "</opml>\n";
  return out;
}
