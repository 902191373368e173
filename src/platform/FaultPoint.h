#pragma once

#include <QByteArrayView>
#include <QString>

// A moment inside a writer at which a crash must leave every file whole: the
// new content is in its temporary file ("written"), or that file has just
// replaced the old one ("committed"). Builds configured with
// VORNIX_FAULT_INJECTION (the test build) let a crash-consistency test act
// here through the environment:
//   VORNIX_FAULT_KILL=<n>        SIGKILL at the n-th point the process reaches
//   VORNIX_FAULT_JOURNAL=<file>  each point appends "<n> <writer>-<moment>
//                                <sha1> <file>" there first (the hash of
//                                `content`, "-" when the writer does not hold
//                                it), so the test knows every content that
//                                may be on disk.
// In every other build it is nothing at all.
#ifdef VORNIX_FAULT_INJECTION
void FaultPoint(const char *writer, const char *moment, const QString &fileName,
                QByteArrayView content = {});
#else
inline void FaultPoint(const char *, const char *, const QString &, QByteArrayView = {}) {}
#endif
