#pragma once

#include "platform/HttpClient.h"

#include <QDateTime>
#include <QString>

// Whether a local copy is young enough to skip the transfer: the absolute
// difference between now and its modification time, in whole milliseconds,
// is at most the update interval. A copy from the future counts by the same
// distance. The side panel's page is never fresh.
bool IsFreshCopy(const QString &fileName, const QDateTime &modified, const QDateTime &now,
                 int intervalMinutes);

// A feed's file name carries only the tab index and the last segment of its
// address, so two feeds can share one file. The address each file was last
// fetched from is therefore kept beside it, and a copy is fresh only for that
// address: the local copy exists, IsFreshCopy holds for its modification time,
// and its record names exactly this address. A copy without a record (left by
// an older version or placed by hand) is never fresh.
bool IsFreshFor(const QString &fileName, const QString &address, const QDateTime &now,
                int intervalMinutes);

// The address recorded for the file, or an empty string when there is none.
QString RecordedSource(const QString &fileName);

// Replaces the record atomically, so a failed write leaves the old one whole.
bool RecordSource(const QString &fileName, const QString &address);

// Where the record of the file lives.
QString SourceRecordName(const QString &fileName);

// The address to fetch: one that already names the http or https scheme (in
// any letter case) is kept as it is, one with another scheme is left for the
// transfer to refuse, and a bare address gets "http://" in front.
QString WithHttpScheme(const QString &url);

// The zero date-time that stands for "no modification time": 30 December
// 1899, midnight.
QDateTime ZeroDateTime();

// The file's last-write time in local time, or ZeroDateTime() when the file
// cannot be opened.
QDateTime GetFileModified(const QString &fileName);

// How the file is fetched. The side panel's page is small by nature and is a
// page of links: it is capped far below a feed and is never redirected from
// https to plain http.
THttpOptions DownloadOptionsFor(const QString &fileName);
