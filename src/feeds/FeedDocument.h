#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <memory>
#include <optional>

// One <item> of a feed. Its fields are kept as the document spelled them and
// brought into the Windows-1251 repertoire, and normalised, only when asked
// for: a refresh shows one item of a thousand, so normalising every
// description up front would cost more than the whole rest of the refresh.
// The normalised texts are remembered for the walks that test every item.
class TFeedItem {
public:
  enum Field { Title, Link, Description, PubDate, DcDate, Category, Comments, FieldCount };

  void setUtf8(Field field, QByteArray utf8) { FUtf8[field] = std::move(utf8); }

  QString raw(Field field) const; // in the repertoire, not normalised
  QString rawLink() const { return raw(Link); }
  QString title() const { return normalised(Title); }
  QString link() const { return normalised(Link); }
  QString description() const { return normalised(Description); }

private:
  QString normalised(Field field) const;

  std::array<QByteArray, FieldCount> FUtf8;
  mutable std::array<std::optional<QString>, Description + 1> FNormalised;
};

// What the reader takes from a feed file: the channel header, exactly as
// written, and the items that are direct children of <channel>.
struct TFeedContent {
  bool rootHasChildren = false;
  QString title;
  QString link;
  QString lastBuildDate;
  QList<TFeedItem> items;
};

struct TFeedParseResult {
  enum Status { Ok, ParseError, OtherError };
  Status status = OtherError;
  QString message; // the parser's first error for ParseError
  std::shared_ptr<const TFeedContent> content;
  bool ok() const { return status == Ok; }
};

// Parses feed bytes safely: the encoding comes from the BOM or the XML
// declaration and is decoded here, and no DTD, external entity or network
// resource is ever loaded.
TFeedParseResult ParseFeed(const QByteArray &bytes);

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
