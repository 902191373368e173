#pragma once

#include "about/MemoryStatus.h"
#include "about/VersionRecord.h"

#include <QLocale>
#include <QStringList>

// What the About window lists: "label: value" for each field of the version
// record that says something, in a fixed order, then an empty line and the
// two memory lines.
QStringList AboutLines(const TVersionRecord &record, const TMemoryStatus &memory,
                       const QLocale &locale = QLocale::system());
