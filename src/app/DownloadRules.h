#pragma once

#include <QDateTime>
#include <QString>

// Whether a local copy is young enough to skip the transfer: the absolute
// difference between now and its modification time, in whole milliseconds,
// is at most the update interval. A copy from the future counts by the same
// distance. The side panel's page is never fresh.
bool IsFreshCopy(const QString &fileName, const QDateTime &modified, const QDateTime &now,
                 int intervalMinutes);

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
