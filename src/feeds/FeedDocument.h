#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <memory>
#include <optional>

// One item of a feed, whatever its format: an RSS <item>, an Atom <entry>, a
// JSON Feed item. Its fields are kept as the document spelled them and
// normalised only when asked for: a refresh shows one item of a thousand, so
// normalising every description up front would cost more than the whole rest
// of the refresh. The normalised texts are remembered for the walks that test
// every item. PubDate is the date shown, DcDate the one shown when it is
// missing; Id is what the feed names the item by (a guid, an Atom id).
class TFeedItem {
public:
  enum Field { Title, Link, Description, PubDate, DcDate, Category, Comments, Id, FieldCount };

  void setUtf8(Field field, QByteArray utf8) { FUtf8[field] = std::move(utf8); }
  bool has(Field field) const { return !FUtf8[field].isEmpty(); }

  QString raw(Field field) const; // not normalised
  QString rawLink() const { return raw(Link); }
  QString title() const { return normalised(Title); }
  QString link() const { return normalised(Link); }
  QString description() const { return normalised(Description); }

private:
  QString normalised(Field field) const;

  std::array<QByteArray, FieldCount> FUtf8;
  mutable std::array<std::optional<QString>, Description + 1> FNormalised;
};

enum class TFeedFormat { Unknown, Rss, Rdf, Atom, JsonFeed };

// What the reader takes from a feed file: the channel header, exactly as
// written, and the items.
struct TFeedContent {
  TFeedFormat format = TFeedFormat::Unknown;
  bool rootHasChildren = false;
  QString title;
  QString link;
  QString lastBuildDate;
  QList<TFeedItem> items;
};

struct TFeedParseResult {
  enum Status { Ok, ParseError, OtherError, WebPage };
  Status status = OtherError;
  QString message; // why it was not read: the parser's first error for ParseError
  std::shared_ptr<const TFeedContent> content;
  bool recovered = false; // read past errors that the strict reading refused
  bool ok() const { return status == Ok; }
};

// Parses feed bytes safely, in whichever format they are: the encoding comes
// from the BOM, the XML declaration or `serverCharset` (what the server named
// in its Content-Type) and is decoded here, and no DTD, external entity or
// network resource is ever loaded.
TFeedParseResult ParseFeed(const QByteArray &bytes, const QByteArray &serverCharset = {});

// The main window's XML document: the name of the current feed file, and
// the file's content while an operation has it active. A file that has not
// changed since it was last read is not parsed again.
class TFeedDocument {
public:
  QString FileName() const { return FFileName; }
  void setFileName(const QString &fileName);
  bool fileExists() const;

  // Reads and parses the current file. The result stays available through
  // content() until deactivate().
  TFeedParseResult activate();
  void deactivate() { FActive.reset(); }
  bool isActive() const { return FActive != nullptr; }
  const TFeedContent &content() const { return *FActive; }

private:
  struct TFileStamp {
    QString path;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint64 inode = 0;
    bool operator==(const TFileStamp &) const = default;
  };
  static TFileStamp stampOf(const QString &path);
  TFeedParseResult readFile(const TFileStamp &stamp) const;

  QString FFileName;
  std::shared_ptr<const TFeedContent> FActive;
  TFileStamp FCachedStamp;
  TFeedParseResult FCached;
};
