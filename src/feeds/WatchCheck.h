#pragma once

#include "feeds/FeedDocument.h"
#include "platform/HostBackoff.h"

#include <QList>
#include <QString>

#include <mutex>

class THttpClient;
struct THttpResult;

struct TWatchResult {
  enum Status {
    Checked,     // downloaded and read; `fresh` holds what is new
    NotModified, // the server says the copy is current: nothing new
    Deferred,    // the host asked to be left alone for now: not asked
    Failed,      // `error` says why; the seen set is as it was
  };
  Status status = Failed;
  QList<TFeedItem> fresh; // in feed order
  QString error;
};

// The background watch's check of one feed address: a polite, conditional
// download into a copy of its own, and the items not seen before. The copy
// (xml/watch/<hash>.xml) is never a file the view reads, and its validators
// sit beside it (<hash>.http), so that the next request asks whether it
// changed. Blocking: run it on a worker thread. abort(), from any thread,
// ends the check under way and fails every later one: it is for closing.
class TWatchChecker {
public:
  static QString copyFileName(const QString &address);
  static QString validatorsFileName(const QString &address);

  TWatchResult check(const QString &address, const QDateTime &now);
  void abort();

private:
  TWatchResult download(const QString &address, const QDateTime &now, THttpResult &answer);

  THostBackoff FBackoff;
  std::mutex FMutex;
  const THttpClient *FClient = nullptr; // the transfer under way
  bool FAborted = false;
};
