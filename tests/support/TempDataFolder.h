#pragma once

#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A fresh data folder for one test, with the program's sounds copied in.
class TTempDataFolder {
public:
  TTempDataFolder() {
    QVERIFY2(FDir.isValid(), "cannot create a temporary folder");
    TDataFolder::setPath(FDir.path());
  }
  ~TTempDataFolder() { TDataFolder::setPath(QString()); }
  TTempDataFolder(const TTempDataFolder &) = delete;
  TTempDataFolder &operator=(const TTempDataFolder &) = delete;

  QString path() const { return FDir.path(); }
  QString file(const QString &relative) const { return FDir.filePath(relative); }

  void copySounds() const {
    const QDir source(QStringLiteral(VORNIX_SOURCE_DIR "/resources/sounds"));
    QDir().mkpath(file(QStringLiteral("sounds")));
    for (const QString &name : source.entryList({QStringLiteral("*.wav")}, QDir::Files))
      QFile::copy(source.filePath(name), file(u"sounds/" + name));
  }

private:
  QTemporaryDir FDir;
};
