#pragma once

#include "platform/Codepage.h"
#include "support/FeedBuilder.h"
#include "support/FileBytes.h"
#include "support/TestHttpServer.h"
#include "zentara/ZentaraPage.h"

#include <QDir>
#include <QDirIterator>
#include <QStringList>

#include <functional>
#include <map>

// What the dumps of scripted tests share: one line per text, and only what
// changed since the step before.
inline QString Flat(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral(" / "))
      .replace(u'\r', QStringLiteral(" / "))
      .replace(u'\n', QStringLiteral(" / "));
}

// The lines of `now` that differ from the same lines of the step before.
inline QStringList ChangedLines(const QStringList &now, QStringList &before) {
  QStringList changed;
  for (qsizetype i = 0; i < now.size(); ++i)
    if (now.at(i) != before.value(i))
      changed << now.at(i);
  before = now;
  return changed;
}

// Every file of a folder written, changed or removed since the last look,
// as "file <name>: <size> bytes" and what `describe` adds (": <text>").
class TFolderChanges {
public:
  using TDescribe = std::function<QString(const QString &name, const QByteArray &bytes)>;
  QStringList look(const QString &folder, const TDescribe &describe) {
    std::map<QString, QByteArray> now;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
      const QString path = it.next();
      now[QDir(folder).relativeFilePath(path)] = contentOf(path);
    }
    QStringList lines;
    for (const auto &[name, bytes] : now)
      if (const auto before = FFiles.find(name); before == FFiles.end() || before->second != bytes)
        if (const QString told = describe(name, bytes); !told.isNull())
          lines << QStringLiteral("file %1: %2 bytes").arg(name).arg(bytes.size()) + told;
    for (const auto &[name, bytes] : FFiles)
      if (!now.contains(name) && !describe(name, {}).isNull())
        lines << QStringLiteral("file %1: removed").arg(name);
    FFiles = std::move(now);
    return lines;
  }

private:
  std::map<QString, QByteArray> FFiles;
};

// The requests the server has had since the last look, as "requests: <path> ..."; a
// conditional one names what it asked about.
inline QStringList NewRequests(const TTestHttpServer &server, qsizetype &seen) {
  QStringList paths;
  const QList<TTestRequest> requests = server.requests();
  for (const TTestRequest &r : requests.mid(seen))
    paths << QString::fromUtf8(r.target + (r.hasHeader("If-None-Match")
                                               ? " (if not " + r.header("If-None-Match") + ')'
                                               : QByteArray()));
  seen = requests.size();
  return paths;
}

// The answer a script's "serve <path> <kind> <words>" asks for: "feed" and its
// item titles, "tagged" an ETag then titles, "file" one of tests/data/mainwindow/feeds,
// "text", "page" a side panel page's title and link (in Windows-1251), "redirect",
// "halfway" (cut off), "empty", "big" (past the side panel's cap), else "error <status>".
inline TTestResponse ScriptAnswer(const QString &kind, const QStringList &words) {
  TTestResponse answer = TTestResponse::error(words.value(0).toInt());
  if (kind == u"feed" || kind == u"tagged") {
    answer = TTestResponse::ok(FeedOf(words.mid(kind == u"tagged" ? 1 : 0)), "application/rss+xml");
    if (kind == u"tagged")
      answer.headers = {{"ETag", words.value(0).toUtf8()}};
  } else if (kind == u"file") {
    answer = TTestResponse::ok(
        contentOf(QStringLiteral(VORNIX_TEST_DATA "/mainwindow/feeds/") + words.value(0)));
  } else if (kind == u"text") {
    answer = TTestResponse::ok(words.join(u' ').toUtf8());
  } else if (kind == u"page") {
    answer = TTestResponse::ok(TCodepage::toCp1251(
        QStringLiteral("<html><head><title>%1</title></head><body><a href=\"https://example.org/\">"
                       "%2</a></body></html>")
            .arg(words.value(0), words.value(1))));
  } else if (kind == u"redirect") {
    answer = TTestResponse::redirect(words.value(0).toUtf8(), 301);
  } else if (kind == u"halfway") {
    answer = TTestResponse::ok(QByteArray(4096, 'x'));
    answer.breakAfter = 1000;
  } else if (kind == u"empty" || kind == u"big") {
    answer = TTestResponse::ok(QByteArray(kind == u"big" ? kZentaraMaxPageBytes + 1 : 0, 'a'));
  }
  return answer;
}
