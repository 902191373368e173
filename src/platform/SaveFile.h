#pragma once

#include <QByteArrayView>

class QSaveFile;

// Puts what was written to `file` in place of the file it replaces, or gives
// false and leaves that file as it was. QSaveFile::commit() alone puts a short
// file in place, and calls it a success, when the last buffered bytes find no
// room on the disk; here they are flushed first, and a failure stops it there.
// `writer` and `content` (the bytes written, when the caller holds them) name
// the moment for the crash tests' fault points.
bool CommitSaveFile(QSaveFile &file, const char *writer, QByteArrayView content = {});
