#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// An OPML file is how feed readers hand their subscriptions to one another.
// It comes from anywhere, so it is read as untrusted XML: no document type,
// no entity, nothing loaded from outside, and caps on its size and on how
// many feeds it may name.
constexpr qint64 kOpmlMaxBytes = 10LL * 1024 * 1024;
constexpr int kOpmlMaxFeeds = 10000;

// One feed outline (one with a non-empty xmlUrl): the labels of the folders
// it stands in, outermost first, empty labels left out; its name (the
// outline's text, else its title, trimmed; else its address) and its address.
struct TOpmlFeed {
  QStringList folders;
  QString name;
  QString address;
};

struct TOpmlDocument {
  QString title; // the head's title, trimmed
  QList<TOpmlFeed> feeds; // in document order
};

struct TOpmlReadResult {
  bool ok = false;
  QString error; // why the bytes are not an OPML file that can be read, in Russian
  TOpmlDocument document;
};

// Reads OPML 1.0 or 2.0 in whatever encoding it declares. A file without a
// single feed is an error too: there is nothing to take from it.
TOpmlReadResult ReadOpml(const QByteArray &bytes);

// One folder of an export: its label and its feeds' names and addresses.
struct TOpmlFolder {
  QString title;
  QList<std::pair<QString, QString>> feeds;
};

// An OPML 2.0 document in UTF-8: each folder an outline holding its feeds as
// type="rss" outlines, as the readers people move between write them.
QByteArray WriteOpml(const QString &title, const QList<TOpmlFolder> &folders);
