#pragma once

#include <QString>

// Creates the file's folder (with missing parents) and then the file, empty,
// when they do not exist.
void EnsureFile(const QString &fileName);
// Replaces the file's content with the text in Windows-1251, no line break
// added. The file is replaced atomically: on failure, which gives false, it
// keeps its old content.
bool WriteTextFile(const QString &fileName, const QString &text);
// Reads the file (created empty when missing) and returns every line followed
// by CR LF, the last one included. CR LF, LF and a lone CR all end a line.
QString ReadTextFile(const QString &fileName);
// The decimal value of the text, or 0 when it is not a 32-bit number.
int StrToIntSafe(const QString &text);
