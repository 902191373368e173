#pragma once

#include "platform/HttpClient.h"

#include <QDateTime>
#include <QString>

// What a download is for, as its caller says: that, never the file's name,
// decides its rules.
enum class TDownloadPurpose {
  Feed,          // a feed for the view: reused while fresh, capped at a feed's size
  SidePanelPage, // the side panel's page: never fresh, small, kept on https
};

// Whether a local copy is young enough to skip the transfer: the absolute
// difference between now and its modification time, in whole milliseconds,
// is at most the update interval. A copy from the future counts by the same
// distance.
bool IsFreshCopy(const QDateTime &modified, const QDateTime &now, int intervalMinutes);

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

// Makes `source` the copy of `address` at `fileName` when it is newer than the
// copy there, or that copy is another address's or none: the background
// watch's copy of a feed that alerted since the window last read it. Its time
// goes with it, so the freshness rule judges it by when it was fetched. True
// when it was taken.
bool TakeNewerCopy(const QString &source, const QString &fileName, const QString &address);

// Whether the file is there and its record names exactly this address.
bool HoldsCopyOf(const QString &fileName, const QString &address);

// Where the record of the file lives.
QString SourceRecordName(const QString &fileName);

// The zero date-time that stands for "no modification time": 30 December
// 1899, midnight.
QDateTime ZeroDateTime();

// The file's last-write time in local time, or ZeroDateTime() when the file
// cannot be opened.
QDateTime GetFileModified(const QString &fileName);

// How a download for that purpose is fetched. The window waits for it, so it
// gives up after a minute in all, whatever the server does. The side panel's
// page is small by nature and is a page of links: it is capped far below a
// feed and is never redirected from https to plain http.
THttpOptions DownloadOptionsFor(TDownloadPurpose purpose);
