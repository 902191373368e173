#pragma once

#include <QString>

#include <string_view>

// HTML's character references as a browser reads them in text content: the
// named ones of HTML5, the legacy names among them that need no ";", and
// decimal and hex numbers.

struct THtmlEntity {
  char32_t first = 0; // 0: not a name a browser knows
  char32_t second = 0;
};

// `name` as written after "&", with its ";" when it has one; legacy names are
// known without it.
THtmlEntity HtmlEntity(std::string_view name);

// Decodes the character reference that starts at text[at] == u'&' as a browser
// does in text content, appending what it stands for to `out`; returns the code
// units consumed, 0 when text[at] starts no reference. What it appends is never
// longer than what it consumes.
qsizetype DecodeHtmlReference(const char16_t *text, qsizetype at, qsizetype size, QString &out);
