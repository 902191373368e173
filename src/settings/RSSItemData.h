#pragma once

#include <QMetaType>
#include <QStringList>

// One site of the catalogue: its feeds, as two parallel lists. Feed j is
// RSSNames[j] with RSSURLs[j]. The settings window owns the records; the main
// window's tabs refer to them.
struct TRSSItemData {
  QStringList RSSNames;
  QStringList RSSURLs;
};

Q_DECLARE_METATYPE(TRSSItemData *)
