#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1251, the code page of every text file the program keeps.
// Text is QString in memory and Windows-1251 only at file boundaries.
class TCodepage {
public:
  // A character without a code in Windows-1251 becomes '?'.
  static QByteArray toCp1251(QStringView text);
  // Every byte has a character; the one unassigned byte, 0x98, reads as
  // U+0098 as it does on Windows.
  static QString fromCp1251(QByteArrayView bytes);
  static bool canEncode(QChar c);
};
