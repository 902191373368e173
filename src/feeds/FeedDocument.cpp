#include "feeds/FeedDocument.h"

#include "feeds/FeedFormats.h"
#include "feeds/FeedXml.h"
#include "feeds/ServerCharset.h"
#include "feeds/TextNormalisation.h"
#include "feeds/XmlDecoding.h"
#include "feeds/XmlRepair.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace {

// Nobody edits a feed this large by hand and no board serves one; reading it
// would only risk the memory of a program that runs all day.
constexpr qint64 kMaxFeedBytes = 64LL * 1024 * 1024;

const QString kWebPage = QStringLiteral("An HTML page, not a feed");

TFeedParseResult failed(TFeedParseResult::Status status, const QString &message) {
  TFeedParseResult result;
  result.status = status;
  result.message = message;
  return result;
}

TFeedParseResult read(TFeedContent content, bool recovered = false) {
  TFeedParseResult result;
  result.status = TFeedParseResult::Ok;
  result.recovered = recovered;
  result.content = std::make_shared<const TFeedContent>(std::move(content));
  return result;
}

qsizetype firstNonBlank(const QByteArray &text) {
  qsizetype at = 0;
  while (at < text.size() &&
         (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
    ++at;
  return at;
}

// Where the document's first declaration or element begins, past the XML
// declaration, processing instructions and comments.
qsizetype prologEnd(const QByteArray &text) {
  qsizetype at = firstNonBlank(text);
  for (;;) {
    const QByteArrayView rest = QByteArrayView(text).sliced(at);
    const char *close = rest.startsWith("<?") ? "?>" : rest.startsWith("<!--") ? "-->" : nullptr;
    if (close == nullptr)
      break;
    const qsizetype end = text.indexOf(close, at);
    if (end < 0)
      return text.size();
    at = end + qsizetype(std::strlen(close));
    at += firstNonBlank(text.sliced(at));
  }
  return at;
}

// An HTML page opens with its doctype or its <html>; either is what no feed
// begins with.
bool looksLikeHtml(const QByteArray &text) {
  const QByteArray head = text.mid(prologEnd(text), 14).toLower();
  return head.startsWith("<!doctype html") || head.startsWith("<html");
}

// What is recovered is shown only when it is plainly a feed, with an item
// that says what it is.
bool isRecognisable(const TFeedContent &content) {
  return content.format != TFeedFormat::Unknown &&
         std::any_of(content.items.cbegin(), content.items.cend(), [](const TFeedItem &item) {
           return item.has(TFeedItem::Title) || item.has(TFeedItem::Link);
         });
}

bool hasDocumentType(const QByteArray &text) {
  return QByteArrayView(text).sliced(prologEnd(text)).startsWith("<!DOCTYPE");
}

// Most feeds are well-formed and are read as they are, at no cost. The
// others, and those with a document type (which may leave HTML's entities
// undefined without being refused), are read with their references repaired.
// A document type may also declare entities: such a document is read strictly
// or not at all, so that no entity trick gets a second, lenient chance.
TFeedParseResult readXml(const QByteArray &utf8) {
  const bool documentType = hasDocumentType(utf8);
  TXmlParseResult strict;
  if (!documentType)
    strict = TXmlDocument::parse(utf8);
  QByteArray text = utf8;
  if (!strict.document) {
    text = WithHtmlReferencesRepaired(utf8);
    strict = TXmlDocument::parse(text);
  }
  if (strict.document) {
    const TXmlElement root = strict.document->root();
    if (std::strcmp(root.localName(), "html") == 0)
      return failed(TFeedParseResult::WebPage, kWebPage);
    return read(ReadXmlFeed(root));
  }
  if (looksLikeHtml(text))
    return failed(TFeedParseResult::WebPage, kWebPage);
  if (!documentType) {
    const TXmlParseResult recovered = TXmlDocument::parse(text, true);
    if (recovered.document) {
      TFeedContent content = ReadXmlFeed(recovered.document->root());
      if (isRecognisable(content))
        return read(std::move(content), true);
    }
  }
  return failed(TFeedParseResult::ParseError, strict.error);
}

} // namespace

QString TFeedItem::raw(Field field) const {
  return QString::fromUtf8(FUtf8[field]);
}

QString TFeedItem::normalised(Field field) const {
  std::optional<QString> &memo = FNormalised[field];
  if (!memo)
    memo = NormaliseText(raw(field));
  return *memo;
}

TFeedParseResult ParseFeed(const QByteArray &bytes, const QByteArray &serverCharset) {
  TXmlDecoded decoded = DecodeXml(bytes, serverCharset, false);
  for (;;) {
    if (!decoded.error.isEmpty())
      return failed(TFeedParseResult::ParseError, decoded.error);
    const qsizetype start = firstNonBlank(decoded.utf8);
    TFeedParseResult result = start < decoded.utf8.size() && decoded.utf8[start] == '{'
                                  ? ReadJsonFeed(decoded.utf8)
                                  : readXml(decoded.utf8);
    // What the parser refused or had to mend may be no UTF-8 at all: then it
    // is decoded again, checked (undeclared, as Windows-1251).
    if ((result.ok() && !result.recovered) || !decoded.unchecked ||
        QByteArrayView(decoded.utf8).isValidUtf8())
      return result;
    decoded = DecodeXml(bytes, serverCharset);
  }
}

void TFeedDocument::setFileName(const QString &fileName) {
  FFileName = fileName;
}

bool TFeedDocument::fileExists() const {
  return !FFileName.isEmpty() && QFile::exists(FFileName);
}

TFeedDocument::TFileStamp TFeedDocument::stampOf(const QString &path) {
  TFileStamp stamp;
  struct stat info {};
  if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
    return stamp;
  stamp.path = path;
  stamp.size = info.st_size;
  stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  stamp.inode = info.st_ino;
  return stamp;
}

// Parsing a feed of a thousand items takes longer than a frame; stepping
// through it re-reads the same file again and again, so an unchanged file
// (same path, size, modification time and inode) is not parsed twice.
TFeedParseResult TFeedDocument::activate() {
  FActive.reset();
  const TFileStamp stamp = stampOf(FFileName);
  if (stamp.size < 0) {
    TFeedParseResult missing;
    missing.message = QStringLiteral("No such file: %1").arg(FFileName);
    return missing;
  }
  if (!(stamp == FCachedStamp)) {
    FCached = readFile(stamp);
    FCachedStamp = FCached.status == TFeedParseResult::OtherError ? TFileStamp{} : stamp;
  }
  if (FCached.ok())
    FActive = FCached.content;
  return FCached;
}

TFeedParseResult TFeedDocument::readFile(const TFileStamp &stamp) const {
  TFeedParseResult result;
  if (stamp.size > kMaxFeedBytes) {
    result.message = QStringLiteral("The file is larger than %1 MiB.").arg(kMaxFeedBytes >> 20);
    return result;
  }
  QFile file(stamp.path);
  if (!file.open(QIODevice::ReadOnly)) {
    result.message = file.errorString();
    return result;
  }
  // read(n) reserves n bytes up front: asking for the limit instead of the
  // size would fault in 64 MiB of fresh pages on every refresh.
  return ParseFeed(file.read(stamp.size), RecordedServerCharset(stamp.path));
}
