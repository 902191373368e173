#include "about/VersionRecord.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// The product keeps its version while builds of it move on.
constexpr auto kProductVersion = u"2.0.0.0";

} // namespace

void TVersionRecord::setValue(const QString &key, const QString &value) {
  for (auto &field : FFields) {
    if (field.first.compare(key, Qt::CaseInsensitive) == 0) {
      field.second = value;
      return;
    }
  }
  FFields.append({key, value});
}

std::optional<QString> TVersionRecord::value(const QString &key) const {
  for (const auto &field : FFields) {
    if (field.first.compare(key, Qt::CaseInsensitive) == 0)
      return field.second;
  }
  return std::nullopt;
}

TVersionRecord TVersionRecord::program() {
  TVersionRecord record;
  record.setValue(u"CompanyName"_s, QString());
  record.setValue(u"FileDescription"_s, u"Vornix"_s);
  record.setValue(u"FileVersion"_s, QStringLiteral(VORNIX_VERSION));
  record.setValue(u"InternalName"_s, u"Vornix"_s);
  record.setValue(u"LegalCopyright"_s, QString());
  record.setValue(u"LegalTrademarks"_s, QString());
  // Whatever the executable is called on disk, not a name it once had elsewhere.
  record.setValue(u"OriginalFilename"_s,
                  QFileInfo(QCoreApplication::applicationFilePath()).fileName());
  record.setValue(u"ProductName"_s, u"Vornix"_s);
  record.setValue(u"ProductVersion"_s, QString::fromUtf16(kProductVersion));
  record.setValue(u"Comments"_s, QString());
  return record;
}
