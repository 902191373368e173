#pragma once

#include <QByteArray>
#include <QFile>
#include <QTest>

// A file's bytes as they are on disk, "<missing>" when it cannot be read.
inline QByteArray contentOf(const QString &fileName) {
  QFile f(fileName);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes the bytes as the whole file.
inline void put(const QString &fileName, const QByteArray &bytes) {
  QFile f(fileName);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}
