#pragma once

#include "persist/ComponentProperty.h"

#include <QString>
#include <QVariant>

#include <optional>

// The text a property value is stored as, by the property's kind: ordinals in
// decimal (a set as its bit mask), Booleans as "True" or "False", floating
// point with up to 15 significant digits in the user's locale, text as it is;
// a class or another kind as empty text.
QString PropertyToText(TPropertyKind kind, const QVariant &value);
// The value of stored text in the form TComponentProperty::Write takes: an int
// for the ordinal kinds, a bool, a double or a QString. Empty text counts as
// "0" for every kind but text. Nothing when the text is not the number the
// kind needs, or for a class or another kind, which are never read back.
std::optional<QVariant> PropertyFromText(TPropertyKind kind, const QString &text);
