#include "about/AboutLines.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

struct TVersionField {
  QStringView Key;
  QStringView Label;
};

constexpr TVersionField kVersionFields[] = {
    {u"ProductName", u"Название продукта"},  {u"ProductVersion", u"Версия продукта"},
    {u"CompanyName", u"Компания"},           {u"OriginalFileName", u"Имя файла"},
    {u"FileDescription", u"Описание файла"}, {u"FileVersion", u"Версия файла"},
    {u"InternalName", u"Внутреннее имя"},    {u"LegalCopyright", u"Авторские права"},
    {u"LegalTradeMarks", u"Торговая марка"}, {u"Comments", u"Комментарий"},
};

// Blank means nothing but spaces and control characters; a value with
// something in it is shown exactly as stored.
bool isBlank(const QString &value) {
  return std::all_of(value.cbegin(), value.cend(), [](QChar c) { return c.unicode() <= 32; });
}

} // namespace

QStringList AboutLines(const TVersionRecord &record, const TMemoryStatus &memory,
                       const QLocale &locale) {
  QStringList lines;
  for (const TVersionField &field : kVersionFields) {
    const auto value = record.value(field.Key.toString());
    if (value && !isBlank(*value))
      lines << field.Label.toString() + u": "_s + *value;
  }
  lines << QString();
  lines << MemoryLines(memory, locale);
  return lines;
}
