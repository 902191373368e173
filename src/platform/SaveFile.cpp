#include "platform/SaveFile.h"

#include "platform/FaultPoint.h"

#include <QSaveFile>

bool CommitSaveFile(QSaveFile &file, const char *writer, QByteArrayView content) {
  // Uncommitted, the temporary file is dropped with the QSaveFile, and its
  // error string still tells why.
  if (!file.flush())
    return false;
  FaultPoint(writer, "written", file.fileName(), content);
  if (!file.commit())
    return false;
  FaultPoint(writer, "committed", file.fileName());
  return true;
}
