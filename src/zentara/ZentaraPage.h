#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>

#include <optional>

// One label of the side panel as the page describes it. The attributes are
// kept as written; ZentaraAlignment and ZentaraColor say what they mean.
struct TZentaraLabel {
  QString text;
  QString link;     // the href as written; empty: a label that opens nothing
  QString align;    // the align attribute as written
  QString color;    // the color attribute as written
  int fontSize = 0; // in points; 0: the panel's own size
  bool italic = false;
  bool bold = false;
  bool operator==(const TZentaraLabel &) const = default;
};

// A page larger than this is cut there; the labels past the last one kept are
// dropped. Both bound the work a hostile page can cause.
constexpr qsizetype kZentaraMaxPageBytes = 1024 * 1024;
constexpr int kZentaraMaxLabels = 1000;

// The page file's bytes as text: decoded by a byte-order mark, else by the
// charset a meta element names, else as Windows-1251, the code page the page
// has always been written in. Line breaks are dropped, not turned into
// spaces, as the page's authors expect. Bytes beyond kZentaraMaxPageBytes are
// ignored.
QString ZentaraPageText(const QByteArray &bytes);

// The labels of a page: the title (when not blank) and then every `a`
// element with visible text, in document order, at most kZentaraMaxLabels in
// all. A label's text is what a browser shows of the link: script and style
// are not text, `br` is a line break, and links never nest (a link opened
// inside another ends it). It is plain text, never mark-up. Nothing of the
// page is ever fetched or run; text past kZentaraMaxPageBytes characters is
// ignored.
QList<TZentaraLabel> ParseZentaraPage(const QString &page);

// "left", "right" or "center" in any letter case; anything else centres.
Qt::Alignment ZentaraAlignment(const QString &name);
// One of the sixteen HTML colour keywords in any letter case; nullopt for
// anything else, which means the window-text colour.
std::optional<QColor> ZentaraColor(const QString &name);
