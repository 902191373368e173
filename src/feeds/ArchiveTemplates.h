#pragma once

#include <QString>

// The text of a new, empty archive feed, on one line. `title` is the
// application title, `link` the program's web page.
QString BuildArchiveTemplate(const QString &title, const QString &link);
// The text inserted for one archived item; the aivx_ placeholders are filled
// in and the trailing marker shows where the next item goes.
QString BuildArchiveItemTemplate();
