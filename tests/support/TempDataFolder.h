#pragma once

#include "platform/DataFolder.h"

#include <QTemporaryDir>
#include <QTest>

// A fresh data folder for one test.
class TTempDataFolder {
public:
  TTempDataFolder() {
    QVERIFY2(FDir.isValid(), "cannot create a temporary folder");
    TDataFolder::setPath(FDir.path());
  }
  ~TTempDataFolder() { TDataFolder::setPath(QString()); }
  Q_DISABLE_COPY_MOVE(TTempDataFolder)

  QString path() const { return FDir.path(); }
  QString file(const QString &relative) const { return FDir.filePath(relative); }

private:
  QTemporaryDir FDir;
};
