#pragma once

#include "support/FileBytes.h"

#include <QDebug>
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

// A script's or case file's steps: its lines but blank ones and "#" comments, each as
// written, since blanks at its ends can be part of a value.
inline QStringList ScriptLines(const QString &file) {
  QStringList lines;
  for (const QString &line : QString::fromUtf8(contentOf(file)).split(u'\n'))
    if (!line.trimmed().isEmpty() && !line.startsWith(u'#'))
      lines << line;
  return lines;
}

// A line's "|"-separated fields, percent escapes decoded, so that a field can
// hold any character, "|" and line ends too.
inline QStringList PercentFields(const QString &line) {
  QStringList fields;
  for (const QString &field : line.split(u'|'))
    fields << QString::fromUtf8(QByteArray::fromPercentEncoding(field.toUtf8()));
  return fields;
}

// Percent escapes for what a dump line would hide, the no-break space among it.
inline QString PercentEscaped(const QString &text) {
  QString out;
  for (const QChar c : text)
    out += c.unicode() < 0x20 || c == u'%' || c == u'\u00a0'
               ? QString::fromLatin1(QString(c).toUtf8().toPercentEncoding())
               : QString(c);
  return out;
}

// Quoted and escaped as Qt's debug output does it, with the no-break space spelt
// out too, so that every character of a dump, blanks and line ends among them, can
// be told apart.
inline QString Quoted(const QString &text) {
  QString out;
  QDebug(&out).nospace() << text;
  return out.replace(u'\u00a0', QStringLiteral("\\u00a0"));
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
