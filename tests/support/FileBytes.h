#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTest>

// A file's bytes as they are on disk, "<missing>" when it cannot be read.
inline QByteArray contentOf(const QString &fileName) {
  QFile f(fileName);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes the bytes as the whole file, making its folder if need be.
inline void put(const QString &fileName, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(fileName).path());
  QFile f(fileName);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}
