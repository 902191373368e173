#include "settings/SiteCatalogue.h"

#include "platform/IniFile.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace {

constexpr int kMaxText = 255;
const QString kArchiveTitle = u"Архив"_s;

QString sectionName(int site) {
  return u"item_"_s + QString::number(site);
}

QString feedKey(int site, int feed, const QString &suffix) {
  return QString::number(site) + QString::number(feed) + suffix;
}

// A decimal number as the catalogue writes it: no sign, no leading zeros.
int canonicalNumber(const QString &digits) {
  static const QRegularExpression pattern(u"^(0|[1-9][0-9]{0,8})$"_s);
  return pattern.match(digits).hasMatch() ? digits.toInt() : -1;
}

// Site indices of the sections the file holds, in index order.
std::vector<int> siteSections(const TIniFile &ini) {
  std::vector<int> sites;
  for (const QString &section : ini.ReadSections()) {
    if (!section.startsWith(u"item_"_s, Qt::CaseInsensitive))
      continue;
    const int site = canonicalNumber(section.mid(5));
    if (site >= 0 && std::find(sites.begin(), sites.end(), site) == sites.end())
      sites.push_back(site);
  }
  std::sort(sites.begin(), sites.end());
  return sites;
}

// Feed indices present in a site's section: keys "<site><feed>_name" or "_url".
std::vector<int> feedIndices(const TIniFile &ini, int site) {
  const QString prefix = QString::number(site);
  std::vector<int> feeds;
  for (const QString &key : ini.ReadSection(sectionName(site))) {
    const qsizetype underscore = key.lastIndexOf(u'_');
    if (underscore < 0 || !key.startsWith(prefix))
      continue;
    const QString suffix = key.mid(underscore).toLower();
    if (suffix != u"_name"_s && suffix != u"_url"_s)
      continue;
    const int feed = canonicalNumber(key.mid(prefix.size(), underscore - prefix.size()));
    if (feed >= 0 && std::find(feeds.begin(), feeds.end(), feed) == feeds.end())
      feeds.push_back(feed);
  }
  std::sort(feeds.begin(), feeds.end());
  return feeds;
}

void readSite(const TIniFile &ini, int site, TSiteCatalogue &sites) {
  const QString section = sectionName(site);
  TRSSItemData *record = sites.append(ini.ReadString(section, u"title"_s));
  for (const int feed : feedIndices(ini, site))
    AppendFeed(*record, ini.ReadString(section, feedKey(site, feed, u"_name"_s)),
               ini.ReadString(section, feedKey(site, feed, u"_url"_s)));
}

bool fail(const TIniFile &ini, QString *error) {
  if (error)
    *error = ini.errorString();
  return false;
}

} // namespace

TRSSItemData *TSiteCatalogue::append(const QString &title) {
  return insert(count(), title);
}

TRSSItemData *TSiteCatalogue::insert(int index, const QString &title) {
  index = std::clamp(index, 0, count());
  auto record = std::make_unique<TRSSItemData>();
  TRSSItemData *result = record.get();
  FSites.insert(FSites.begin() + index, TSite{title, std::move(record)});
  return result;
}

void TSiteCatalogue::remove(int index) {
  if (index >= 0 && index < count())
    FSites.erase(FSites.begin() + index);
}

void AppendFeed(TRSSItemData &record, const QString &name, const QString &address) {
  if (name.isEmpty() && address.isEmpty())
    return;
  record.RSSNames.append(name.left(kMaxText));
  record.RSSURLs.append(address.left(kMaxText));
}

void DeleteFeed(TRSSItemData &record, int j) {
  if (j < 1 || j >= record.RSSURLs.size())
    return;
  record.RSSNames.removeAt(j);
  record.RSSURLs.removeAt(j);
}

void AddArchiveSite(TSiteCatalogue &sites) {
  TRSSItemData *archive = sites.insert(0, kArchiveTitle);
  AppendFeed(*archive, u"Архив сообщений"_s, u"vx_arhive.xml"_s);
}

bool ReadSites(TSiteCatalogue &sites, const QString &fileName) {
  sites.clear();
  // An update that writes nothing: the file is parsed once, not once a key.
  TIniFile ini(fileName);
  ini.BeginUpdate();
  for (const int site : siteSections(ini)) {
    if (ini.SectionHasKeys(sectionName(site)))
      readSite(ini, site, sites);
  }
  if (sites.count() > 0 && sites.title(0) == kArchiveTitle)
    return true;
  AddArchiveSite(sites);
  return false;
}

bool LoadSites(TSiteCatalogue &sites, const QString &fileName, QString *error) {
  return ReadSites(sites, fileName) || SaveSites(sites, fileName, error);
}

// The whole catalogue is replaced in one write: a crash can never leave a
// site erased but not yet written back.
bool SaveSites(const TSiteCatalogue &sites, const QString &fileName, QString *error) {
  TIniFile ini(fileName);
  if (!ini.BeginUpdate())
    return fail(ini, error);
  for (int site = 0; site < sites.count(); ++site) {
    const QString section = sectionName(site);
    if (!ini.EraseSection(section) || !ini.WriteString(section, u"title"_s, sites.title(site)))
      return fail(ini, error);
    const TRSSItemData *record = sites.record(site);
    for (int feed = 0; record && feed < record->RSSURLs.size(); ++feed) {
      if (!ini.WriteString(section, feedKey(site, feed, u"_name"_s),
                           record->RSSNames.value(feed)) ||
          !ini.WriteString(section, feedKey(site, feed, u"_url"_s), record->RSSURLs.value(feed)))
        return fail(ini, error);
    }
  }
  // Every section past the list goes, however many a longer catalogue left.
  for (const int site : siteSections(ini)) {
    if (site >= sites.count() && !ini.EraseSection(sectionName(site)))
      return fail(ini, error);
  }
  return ini.EndUpdate() || fail(ini, error);
}
