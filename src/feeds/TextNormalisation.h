#pragma once

#include <QString>

// Turns an item field that job boards fill with HTML (line-break tags,
// paragraphs, non-breaking spaces, entities escaped once or twice, runs of
// blanks and empty lines) into plain text with CR LF line breaks and single
// spaces. The order of the replacements is fixed: it decides the result for
// the awkward inputs.
QString NormaliseText(const QString &text);

// Drops everything from a "<" to the next ">" (and every "<" and ">"), stops
// at the first NUL, then decodes every character reference once, as a browser
// shows them in text: "&amp;lt;" reads "&lt;".
QString StripMarkup(const QString &text);
