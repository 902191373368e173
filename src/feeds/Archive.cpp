#include "feeds/Archive.h"

#include "feeds/TextNormalisation.h"
#include "platform/Codepage.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

const QString kMarker = u"<avxnewitems></avxnewitems>"_s;
constexpr char16_t Cr = u'\r';
constexpr char16_t Lf = u'\n';

// A parser hands text over with every CR LF and every lone CR read as LF.
QString asParsed(const QString &text) {
  QString parsed = text;
  parsed.replace(u"\r\n"_s, u"\n"_s);
  parsed.replace(Cr, Lf);
  return parsed;
}

// XML 1.0 has no place, not even as a reference, for the C0 controls other
// than tab, LF and CR, nor for U+FFFE and U+FFFF; one of them written into
// the archive would leave the whole file unreadable.
bool xmlCanCarry(QChar ch) {
  return ch >= u' ' ? ch.unicode() < 0xFFFE : ch == u'\t' || ch == Lf || ch == Cr;
}

QString numericReference(char32_t code) {
  return u"&#"_s + QString::number(uint(code)) + u';';
}

// True when the value, written as it is into the Windows-1251 file, reads
// back unchanged: a character without a code there would come back as "?".
bool readsBackUnchanged(const QString &value) {
  const auto writable = [](QChar ch) { return TCodepage::canEncode(ch) && xmlCanCarry(ch); };
  return std::all_of(value.begin(), value.end(), writable) &&
         NormaliseText(asParsed(value)) == value;
}

// The entity for a sign that both XML and normalisation read as markup.
QStringView markupEntity(QChar ch) {
  switch (ch.unicode()) {
  case u'&':
    return u"&amp;";
  case u'<':
    return u"&lt;";
  case u'>':
    return u"&gt;";
  default:
    return {};
  }
}

// A text that normalises to `value`: the signs normalisation would take as
// markup or entities are written as entities it decodes; a line break becomes
// the line end that normalisation turns into it (LF for CR LF, CR LF for
// CR CR LF); and where normalisation would merge a break with the next one,
// or with a space and the next one, an empty "<>" keeps them apart until
// the markup is gone. A CR or LF that is no such break, which only a decoded
// reference leaves in a value, and a character XML cannot carry are written
// as the numeric reference normalisation decodes last.
QString normalisationPreimage(const QString &value) {
  QString text;
  text.reserve(value.size() + value.size() / 8);
  const qsizetype size = value.size();
  qsizetype i = 0;
  while (i < size) {
    const QChar ch = value[i];
    const bool crLf = ch == Cr && i + 1 < size && value[i + 1] == Lf;
    const bool crCrLf = ch == Cr && i + 2 < size && value[i + 1] == Cr && value[i + 2] == Lf;
    if (crLf || crCrLf) {
      text += crCrLf ? u"\r\n"_s : QString(Lf);
      i += crCrLf ? 3 : 2;
      if (i < size && (value[i] == Cr || value[i] == u' '))
        text += u"<>"_s;
      continue;
    }
    if (const QStringView entity = markupEntity(ch); !entity.isEmpty())
      text += entity;
    else if (ch == Cr || ch == Lf || !xmlCanCarry(ch))
      text += numericReference(ch.unicode());
    else
      text += ch;
    ++i;
  }
  return text;
}

// Element text that a parser reads back as `text` exactly: a CR, which the
// parser would turn into LF, goes in as a character reference, and the line
// ends are written as the CR LF the archive file uses throughout. A character
// Windows-1251 has no code for goes in as a reference to its code point, one
// for both halves of a surrogate pair, since a reference to a half is not
// XML; a lone half has no reference at all and is left to become "?".
QString escapedElementText(const QString &text) {
  QString escaped;
  escaped.reserve(text.size() + text.size() / 4);
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const QChar ch = text[i];
    if (const QStringView entity = markupEntity(ch); !entity.isEmpty())
      escaped += entity;
    else if (ch == Cr)
      escaped += u"&#13;"_s;
    else if (ch == Lf)
      escaped += u"\r\n"_s;
    else if (ch.isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate())
      escaped += numericReference(QChar::surrogateToUcs4(ch, text[++i]));
    else if (TCodepage::canEncode(ch) || ch.isSurrogate())
      escaped += ch;
    else
      escaped += numericReference(ch.unicode());
  }
  return escaped;
}

QString escapedValue(const QString &value) {
  return escapedElementText(normalisationPreimage(value));
}

// The channel's own elements come before its first item; an item's text must
// never be taken for them.
qsizetype channelHeaderEnd(const QString &content) {
  const qsizetype firstItem = content.indexOf(u"<item>"_s, 0, Qt::CaseInsensitive);
  return firstItem < 0 ? content.size() : firstItem;
}

void renameEnglishChannelTitle(QString &content, const QString &appTitle) {
  const QString english = u"<title>"_s + appTitle + u" archive</title>"_s;
  const qsizetype at = content.indexOf(english, 0, Qt::CaseInsensitive);
  if (at >= 0 && at + english.size() <= channelHeaderEnd(content))
    content.replace(at, english.size(), u"<title>"_s + appTitle + u" архив</title>"_s);
}

// An archive edited by hand may have lost either tag; its date is then left
// as it is rather than cutting into whatever follows.
void setChannelDate(QString &content, const QString &date) {
  static const QString open = u"<lastBuildDate>"_s;
  static const QString close = u"</lastBuildDate>"_s;
  const qsizetype header = channelHeaderEnd(content);
  const qsizetype begin = content.indexOf(open);
  if (begin < 0 || begin + open.size() > header)
    return;
  const qsizetype end = content.indexOf(close, begin + open.size());
  if (end < 0 || end + close.size() > header)
    return;
  content.replace(begin + open.size(), end - begin - open.size(), escapedElementText(date));
}

} // namespace

QString WrapCData(const QString &text) {
  return u"<![CDATA["_s + text + u"]]>"_s;
}

QString ArchiveTextValue(const QString &value) {
  if (!readsBackUnchanged(value))
    return escapedValue(value);
  // Normalising drops every "<" and ">", so a value that reads back holds
  // none; an address with a query string needs only XML's escape of "&".
  QString text = value;
  return text.replace(u'&', u"&amp;"_s);
}

QString ArchiveCDataValue(const QString &value) {
  if (!value.contains(u"]]>"_s) && readsBackUnchanged(value))
    return WrapCData(value);
  return escapedValue(value);
}

QString ArchiveItemText(const QString &itemTemplate, const TArchiveItem &item) {
  struct TFill {
    qsizetype at;
    qsizetype length;
    QString value;
  };
  const std::array<std::pair<QString, QString>, 6> placeholders{{
      {u"aivx_title"_s, ArchiveCDataValue(item.title)},
      {u"aivx_link"_s, ArchiveTextValue(item.link)},
      {u"aivx_pubDate"_s, ArchiveTextValue(item.pubDate)},
      {u"aivx_category"_s, ArchiveCDataValue(item.category)},
      {u"aivx_description"_s, ArchiveCDataValue(item.description)},
      {u"aivx_comments"_s, ArchiveTextValue(item.comments)},
  }};
  std::vector<TFill> fills;
  for (const auto &[name, value] : placeholders) {
    const qsizetype at = itemTemplate.indexOf(name, 0, Qt::CaseInsensitive);
    if (at >= 0)
      fills.push_back({at, name.size(), value});
  }
  std::sort(fills.begin(), fills.end(), [](const TFill &a, const TFill &b) { return a.at < b.at; });
  QString text;
  qsizetype copied = 0;
  for (const TFill &fill : fills) {
    if (fill.at < copied)
      continue; // overlapping placeholders: the earlier one won
    text += QStringView(itemTemplate).sliced(copied, fill.at - copied);
    text += fill.value;
    copied = fill.at + fill.length;
  }
  return text + QStringView(itemTemplate).sliced(copied);
}

QString ArchiveLinkKey(const QString &link) {
  return u"<link>"_s + ArchiveTextValue(link) + u"</link>"_s;
}

QString ArchiveDate(const QDateTime &when, const QLocale &locale) {
  const QString date = locale.toString(when.date(), QLocale::ShortFormat);
  if (when.time() == QTime(0, 0))
    return date;
  // The long format names the time zone, which a clock on the desktop does not.
  static const QRegularExpression zone(u"\\s*t+"_s);
  const QString format = locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
  return date + u' ' + locale.toString(when.time(), format);
}

TArchiveAddition AddToArchive(QString &content, const QString &itemTemplate,
                              const TArchiveItem &item, const QString &appTitle,
                              const QString &date) {
  if (content.contains(ArchiveLinkKey(item.link)))
    return TArchiveAddition::Duplicate;
  // The marker follows the last item; an older archive may hold its text
  // inside an item, never after the real one.
  qsizetype at = content.lastIndexOf(kMarker, -1, Qt::CaseInsensitive);
  qsizetype replaced = kMarker.size();
  if (at < 0) { // lost in a hand edit: the item still belongs at the channel's end
    at = content.indexOf(u"</channel>"_s, 0, Qt::CaseInsensitive);
    replaced = 0;
  }
  if (at < 0)
    return TArchiveAddition::NoPlace;
  QString edited = content;
  edited.replace(at, replaced, ArchiveItemText(itemTemplate, item));
  renameEnglishChannelTitle(edited, appTitle);
  setChannelDate(edited, date);
  content = edited;
  return TArchiveAddition::Added;
}

bool RemoveFromArchive(QString &content, const QString &itemTemplate, const TArchiveItem &item) {
  QString withoutMarker = itemTemplate;
  withoutMarker.remove(kMarker, Qt::CaseInsensitive);
  const QString text = ArchiveItemText(withoutMarker, item);
  const qsizetype at = content.indexOf(text, 0, Qt::CaseInsensitive);
  if (at < 0)
    return false;
  content.remove(at, text.size());
  return true;
}
