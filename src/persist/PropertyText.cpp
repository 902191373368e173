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

} // namespace

QString PropertyToText(TPropertyKind kind, const QVariant &value) {
  switch (kind) {
  case TPropertyKind::Integer:
  case TPropertyKind::Char:
  case TPropertyKind::WideChar:
  case TPropertyKind::Set:
  case TPropertyKind::Enumeration:
    return QString::number(value.toInt());
  case TPropertyKind::Boolean:
    return value.toBool() ? u"True"_s : u"False"_s;
  case TPropertyKind::Float:
    return floatText(value.toDouble());
  case TPropertyKind::Text:
    return value.toString();
  case TPropertyKind::Class:
  case TPropertyKind::Other:
    break;
  }
  return {};
}

std::optional<QVariant> PropertyFromText(TPropertyKind kind, const QString &text) {
  if (kind == TPropertyKind::Text)
    return QVariant(text);
  const QString number = text.isEmpty() ? u"0"_s : text;
  switch (kind) {
  case TPropertyKind::Integer:
  case TPropertyKind::Char:
  case TPropertyKind::WideChar:
  case TPropertyKind::Set:
  case TPropertyKind::Enumeration:
    return integerOf(number);
  case TPropertyKind::Boolean:
    return booleanOf(number);
  case TPropertyKind::Float:
    return floatOf(number);
  case TPropertyKind::Text:
  case TPropertyKind::Class:
  case TPropertyKind::Other:
    break;
  }
  return std::nullopt;
}
