#pragma once

#include <QByteArray>

// Feeds are written by hand and by HTML templates, and carry what HTML allows
// and XML does not: named references such as "&nbsp;" or "&eacute;" that no
// DTD of theirs will ever define for us, and a bare "&" in "R & D". In the
// UTF-8 text of a document, each known HTML name becomes the numeric
// reference of its characters, a number no document may hold becomes U+FFFD,
// and every "&" that starts no reference becomes "&amp;"; CDATA sections are
// left as written. References to
// entities the document declares itself are not HTML names and are left for
// the parser, which never expands them. A document that needs nothing comes
// back as it is, without a copy.
QByteArray WithHtmlReferencesRepaired(const QByteArray &utf8);
