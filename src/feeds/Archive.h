#pragma once

#include <QString>

class QDateTime;
class QLocale;

// What an archived item keeps: the six values the item view shows.
struct TArchiveItem {
  QString title;
  QString link;
  QString pubDate;
  QString category;
  QString description;
  QString comments;
};

// "<![CDATA[" + text + "]]>".
QString WrapCData(const QString &text);

// How a value of the item view is written into the archive so that the feed
// reader, normalising what it reads, gives back exactly that value. Values
// that survive the everyday form (a CDATA section for the texts, plain XML
// text for addresses and dates) keep it, as archives have always held them;
// the others (markup signs, entities, "]]>", doubled line breaks, characters
// outside Windows-1251) are written as escaped text chosen to normalise back
// to the value, those characters as numeric character references.
QString ArchiveTextValue(const QString &value);  // link, pubDate, comments
QString ArchiveCDataValue(const QString &value); // title, category, description

// The item template with its placeholders filled from `item`. Each
// placeholder is replaced once, and the values put in are never searched
// again, so a title that reads "aivx_link" stays a title.
QString ArchiveItemText(const QString &itemTemplate, const TArchiveItem &item);
// The text whose presence means an item with this link is archived.
QString ArchiveLinkKey(const QString &link);

// The channel date of the archive: short date and long time of the locale,
// the time left out at midnight exactly.
QString ArchiveDate(const QDateTime &when, const QLocale &locale);

enum class TArchiveAddition { Added, Duplicate, NoPlace };

// Adds the item to the archive text `content` (never empty: a new archive
// starts as the archive template): after the last item, with the channel
// date set to `date` and an English channel title ("<app> archive") made
// Russian. Duplicate and NoPlace leave `content` as it was.
TArchiveAddition AddToArchive(QString &content, const QString &itemTemplate,
                              const TArchiveItem &item, const QString &appTitle,
                              const QString &date);
// Removes the item's text, as adding writes it, from `content`. False, with
// `content` unchanged, when the archive does not hold that text.
bool RemoveFromArchive(QString &content, const QString &itemTemplate, const TArchiveItem &item);
