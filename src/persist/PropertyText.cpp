#include "persist/PropertyText.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

QString floatText(double value) {
  QLocale locale = QLocale::system();
  locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::OmitLeadingZeroInExponent);
  // "1E20", not "1E+20", as the Windows program writes it; both read back.
  return locale.toString(value, 'G', 15)
      .replace(locale.exponential().toUpper() + u'+', locale.exponential().toUpper());
}

std::optional<QVariant> integerOf(const QString &text) {
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  return ok ? std::optional<QVariant>(value) : std::nullopt;
}

// The user's decimal separator first; a file carried over from a machine that
// uses the other one still reads.
std::optional<QVariant> floatOf(const QString &text) {
  bool ok = false;
  double value = QLocale::system().toDouble(text, &ok);
  if (!ok)
    value = QLocale::c().toDouble(text, &ok);
  return ok ? std::optional<QVariant>(value) : std::nullopt;
}

std::optional<QVariant> booleanOf(const QString &text) {
  if (text.compare(u"True"_s, Qt::CaseInsensitive) == 0)
    return QVariant(true);
  if (text.compare(u"False"_s, Qt::CaseInsensitive) == 0)
    return QVariant(false);
  const std::optional<QVariant> number = integerOf(text);
  return number ? std::optional<QVariant>(number->toInt() != 0) : std::nullopt;
}

// Kinds kept as the decimal text of their ordinal value (a set as its bit mask).
bool isOrdinal(TPropertyKind kind) {
  return kind == TPropertyKind::Integer || kind == TPropertyKind::Char ||
         kind == TPropertyKind::WideChar || kind == TPropertyKind::Set ||
         kind == TPropertyKind::Enumeration;
}

} // namespace

QString PropertyToText(TPropertyKind kind, const QVariant &value) {
  if (isOrdinal(kind))
    return QString::number(value.toInt());
  if (kind == TPropertyKind::Boolean)
    return value.toBool() ? u"True"_s : u"False"_s;
  if (kind == TPropertyKind::Float)
    return floatText(value.toDouble());
  return kind == TPropertyKind::Text ? value.toString() : QString();
}

std::optional<QVariant> PropertyFromText(TPropertyKind kind, const QString &text) {
  if (kind == TPropertyKind::Text)
    return QVariant(text);
  const QString number = text.isEmpty() ? u"0"_s : text;
  if (isOrdinal(kind))
    return integerOf(number);
  if (kind == TPropertyKind::Boolean)
    return booleanOf(number);
  if (kind == TPropertyKind::Float)
    return floatOf(number);
  return std::nullopt;
}
