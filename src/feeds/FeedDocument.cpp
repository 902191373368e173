#include "feeds/FeedDocument.h"

#include "feeds/FeedXml.h"
#include "feeds/TextNormalisation.h"

#include <QFile>

#include <sys/stat.h>

namespace {

// Nobody edits a feed this large by hand and no board serves one; reading it
// would only risk the memory of a program that runs all day.
constexpr qint64 kMaxFeedBytes = 64LL * 1024 * 1024;

TFeedItem itemFrom(const TXmlElement &item) {
  static constexpr std::pair<TFeedItem::Field, const char *> kFields[] = {
      {TFeedItem::Title, "title"},
      {TFeedItem::Link, "link"},
      {TFeedItem::Description, "description"},
      {TFeedItem::PubDate, "pubDate"},
      {TFeedItem::DcDate, "dc:date"},
      {TFeedItem::Category, "category"},
      {TFeedItem::Comments, "comments"}};
  TFeedItem f;
  for (const auto &[field, name] : kFields)
    f.setUtf8(field, item.child(name).utf8Text());
  return f;
}

TFeedContent contentOf(const TXmlDocument &document) {
  TFeedContent content;
  const TXmlElement root = document.root();
  content.rootHasChildren = root.hasChildNodes();
  if (!content.rootHasChildren)
    return content;
  const TXmlElement channel = root.child("channel");
  content.title = channel.childText("title");
  content.link = channel.childText("link");
  content.lastBuildDate = channel.childText("lastBuildDate");
  channel.forEachChild("item",
                       [&](const TXmlElement &item) { content.items.append(itemFrom(item)); });
  return content;
}

} // namespace

QString TFeedItem::raw(Field field) const {
  return TextFromDocument(FUtf8[field]);
}

QString TFeedItem::normalised(Field field) const {
  std::optional<QString> &memo = FNormalised[field];
  if (!memo)
    memo = NormaliseText(raw(field));
  return *memo;
}

TFeedParseResult ParseFeed(const QByteArray &bytes) {
  TXmlParseResult parsed = TXmlDocument::parse(bytes);
  TFeedParseResult result;
  if (!parsed.document) {
    result.status = TFeedParseResult::ParseError;
    result.message = parsed.error;
    return result;
  }
  result.status = TFeedParseResult::Ok;
  result.content = std::make_shared<const TFeedContent>(contentOf(*parsed.document));
  return result;
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
  return ParseFeed(file.read(stamp.size));
}
