#pragma once

#include <QByteArray>
#include <QString>

class TSiteCatalogue;
struct TOpmlDocument;

// What an import added to the catalogue.
struct TImportSummary {
  int sites = 0;      // sites made for it
  int feeds = 0;      // feeds added, to new sites and to existing ones
  int skipped = 0;    // feeds left out: already in the catalogue or the file, or unstorable
  int unstorable = 0; // of those, addresses longer than a catalogue entry holds
};

// Brings the feeds of an OPML file into the catalogue. Folders become sites
// (nested ones by their path, joined with " / "); feeds outside any folder go
// to a site named after the file's title, else "Импорт". A site whose title is
// already in the catalogue (the archive excepted) gets the new feeds; an
// address already there, or met earlier in the file, is not added again, and
// one too long for a catalogue entry is left out rather than stored cut. New
// sites go at the end; a site added to keeps its record, which the main
// window's tab points at. A folder titled "Архив" makes "Архив (импорт)": the
// settings window locks every site of the archive's title.
TImportSummary ImportOpml(TSiteCatalogue &sites, const TOpmlDocument &document);

// The catalogue as an OPML 2.0 file: every site a folder, the archive (a
// file of this program's, no feed any other reader could read) left out.
QByteArray ExportOpml(const TSiteCatalogue &sites);

// The whole import of a file into a catalogue that lives in `catalogueFile`:
// the file read (within the caps), the feeds merged, and the catalogue written
// once, atomically. False means nothing changed, in memory or on disk: the
// file was refused, its only new feeds could not be stored, or the catalogue
// could not be written; `message` says which. True means sites were extended
// in place or appended at the end, or every feed of the file was there
// already (nothing written), and `message` says how many were added. Both
// messages are in Russian and fit a status line.
bool ImportOpmlFile(TSiteCatalogue &sites, const QString &opmlFile, const QString &catalogueFile,
                    QString *message);
// Writes the catalogue as an OPML file, atomically. A catalogue without a
// feed to write is refused rather than written as a file no reader would take.
bool ExportOpmlFile(const TSiteCatalogue &sites, const QString &opmlFile, QString *message);
