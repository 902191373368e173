#pragma once

#include "support/FileBytes.h"

#include <QDir>
#include <QStringList>
#include <QTest>

#include <algorithm>

// One row, "input", per file in tests/data/<folder> but the dumps and the
// server's charset records beside them, so that a new case is a file and its
// dump, and no code.
inline void addGoldenRows(const QString &folder) {
  QTest::addColumn<QString>("input");
  for (const QFileInfo &f :
       QDir(QStringLiteral(VORNIX_TEST_DATA "/") + folder).entryInfoList(QDir::Files))
    if (f.suffix() != u"expected" && f.suffix() != u"charset")
      QTest::newRow(qPrintable(f.fileName())) << f.filePath();
}

// Compares a dump with <input>.expected, reporting the first line that differs; after an
// intended change VORNIX_UPDATE_GOLDEN=1 rewrites the file instead. It fails or skips by
// returning, so it must be the test function's last call.
inline void compareWithGolden(const QString &input, const QString &dump) {
  const QString expectedFile = input + QStringLiteral(".expected");
  if (qEnvironmentVariableIntValue("VORNIX_UPDATE_GOLDEN") == 1) {
    put(expectedFile, dump.toUtf8());
    QSKIP("rewrote the expected dump");
  }
  const QStringList want = QString::fromUtf8(contentOf(expectedFile)).split(u'\n');
  const QStringList got = dump.split(u'\n');
  const QString end = QStringLiteral("<end>");
  for (qsizetype n = 0; n < std::max(want.size(), got.size()); ++n)
    if (want.value(n, end) != got.value(n, end))
      QFAIL(qPrintable(
          QStringLiteral("%1:%2 differs (VORNIX_UPDATE_GOLDEN=1 rewrites it)\n- %3\n+ %4")
              .arg(expectedFile, QString::number(n + 1), want.value(n, end), got.value(n, end))));
}
