#pragma once

#include "feeds/FeedDocument.h"

class TXmlElement;

// The header and items of an XML feed, told apart by its root: RSS 0.9x and
// 2.0 (<rss>, prefixed or not), RSS 0.90 and 1.0 (<rdf:RDF>), Atom 0.3 and 1.0
// (<feed>). Any other root is read as RSS, by its <channel>, with format
// Unknown.
TFeedContent ReadXmlFeed(const TXmlElement &root);

// A JSON Feed (1.0 or 1.1) read from UTF-8; a ParseError that says why when
// the text is not one.
TFeedParseResult ReadJsonFeed(const QByteArray &utf8);

// Plain text made into markup that the description rules give back as
// written: "&", "<" and ">" escaped.
QByteArray PlainTextAsMarkup(const QByteArray &text);
