#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// The raw texts of one <item> of a feed, already in the Windows-1251
// repertoire, with the three fields every walk reads kept normalised too.
struct TFeedItem {
  QString rawLink;
  QString title;       // normalised
  QString link;        // normalised
  QString description; // normalised
  QString pubDate;     // raw
  QString dcDate;      // raw
  QString category;    // raw, the first <category>
  QString comments;    // raw
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
