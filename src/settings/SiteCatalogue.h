#pragma once

#include "settings/RSSItemData.h"

#include <QString>

#include <memory>
#include <vector>

// The user's sites in catalogue order: site i is tab i of the main window and
// section item_<i> of "vxs.ini". The catalogue owns the records; the main
// window's tabs only point at them, so their addresses stay put while sites
// are added or removed around them.
class TSiteCatalogue {
public:
  int count() const { return static_cast<int>(FSites.size()); }
  QString title(int index) const { return FSites.at(index).title; }
  TRSSItemData *record(int index) const { return FSites.at(index).record.get(); }
  // Renames a site in place: its record, which the tabs point at, stays the same object.
  void setTitle(int index, const QString &title) { FSites.at(index).title = title; }

  void clear() { FSites.clear(); }
  TRSSItemData *append(const QString &title);
  TRSSItemData *insert(int index, const QString &title);
  void remove(int index);

private:
  struct TSite {
    QString title;
    std::unique_ptr<TRSSItemData> record;
  };
  std::vector<TSite> FSites;
};

// Appends a feed, each text cut to the 255 characters a catalogue entry holds;
// a feed with neither name nor address is not stored.
void AppendFeed(TRSSItemData &record, const QString &name, const QString &address);
// Removes feed j for 1 <= j < count; feed 0 is never removed this way.
void DeleteFeed(TRSSItemData &record, int j);

void AddArchiveSite(TSiteCatalogue &sites);
// Reads every site section and every feed the file holds, gaps closing up,
// with the archive as site 0. False when the archive had to be added: the
// file does not hold the catalogue as read, and nothing has been written.
bool ReadSites(TSiteCatalogue &sites, const QString &fileName);
// ReadSites, writing the file back if it had to add the archive. Returns false, with the message in `error`, when that write failed.
bool LoadSites(TSiteCatalogue &sites, const QString &fileName, QString *error = nullptr);
// Writes the whole catalogue, and erases every site section beyond it, in one
// replacement of the file. A refused write gives false, with "Unable to write
// to <path>", and leaves the file as it was.
bool SaveSites(const TSiteCatalogue &sites, const QString &fileName, QString *error = nullptr);
