#include "persist/ComponentProperty.h"

#include <QMetaObject>
#include <QWidget>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// The Windows program's name of a property, and the Qt property that plays its
// part in a class. A class missing here has no such property: a TLabel or a
// TCheckBox publishes no Text, a TEdit no Caption, a TButton no Checked.
struct TAlias {
  const char *name;
  const char *qtClass;
  const char *qtProperty;
  bool onlyWhenCheckable = false;
};

const TAlias kAliases[] = {
    {"Caption", "QLabel", "text"},           {"Caption", "QAbstractButton", "text"},
    {"Caption", "QGroupBox", "title"},       {"Caption", "QMenu", "title"},
    {"Caption", "QAction", "text"},          {"Text", "QLineEdit", "text"},
    {"Text", "QComboBox", "currentText"},    {"Text", "QPlainTextEdit", "plainText"},
    {"Text", "QTextEdit", "plainText"},      {"Checked", "QAbstractButton", "checked", true},
    {"Checked", "QAction", "checked", true}, {"ItemIndex", "QComboBox", "currentIndex"},
    {"Hint", "QWidget", "toolTip"},          {"Hint", "QAction", "toolTip"},
};

bool isAliasName(const QByteArray &name) {
  for (const TAlias &alias : kAliases)
    if (name == alias.name)
      return true;
  return false;
}

bool isCheckable(const QObject *component) {
  return component->property("checkable").toBool();
}

// A control class of the table, as opposed to a window of our own.
bool isControl(const QObject *component) {
  for (const TAlias &alias : kAliases)
    if (qstrcmp(alias.qtClass, "QWidget") != 0 && component->inherits(alias.qtClass))
      return true;
  return false;
}

// The Qt property that stands for `name` in this component's class, if any.
const char *aliasedProperty(const QObject *component, const QByteArray &name) {
  for (const TAlias &alias : kAliases)
    if (name == alias.name && component->inherits(alias.qtClass) &&
        (!alias.onlyWhenCheckable || isCheckable(component)))
      return alias.qtProperty;
  // A window's caption is its title.
  const auto *widget = qobject_cast<const QWidget *>(component);
  if (name == "Caption" && widget && widget->isWindow() && !isControl(component))
    return "windowTitle";
  return nullptr;
}

qint32 ordinalOf(const QVariant &raw) {
  bool ok = false;
  const qlonglong value = raw.toLongLong(&ok);
  if (ok)
    return static_cast<qint32>(value);
  // A flags value converts to nothing, but it is an int underneath.
  qint32 bits = 0;
  if (raw.isValid() && raw.metaType().sizeOf() == sizeof bits)
    std::memcpy(&bits, raw.constData(), sizeof bits);
  return bits;
}

QVariant ordinalAs(QMetaType type, int value) {
  QVariant converted(value);
  if (converted.convert(type))
    return converted;
  if (type.sizeOf() == sizeof value)
    return QVariant(type, &value);
  return {};
}

} // namespace

TPropertyKind PropertyKindOf(QMetaType type, bool isEnum, bool isFlag) {
  if (isFlag)
    return TPropertyKind::Set;
  if (isEnum || type.flags().testFlag(QMetaType::IsEnumeration))
    return TPropertyKind::Enumeration;
  switch (type.id()) {
  case QMetaType::Bool:
    return TPropertyKind::Boolean;
  case QMetaType::Int:
  case QMetaType::UInt:
  case QMetaType::Short:
  case QMetaType::UShort:
  case QMetaType::Long:
  case QMetaType::ULong:
  case QMetaType::LongLong:
  case QMetaType::ULongLong:
    return TPropertyKind::Integer;
  case QMetaType::Char:
  case QMetaType::SChar:
  case QMetaType::UChar:
    return TPropertyKind::Char;
  case QMetaType::QChar:
  case QMetaType::Char16:
    return TPropertyKind::WideChar;
  case QMetaType::Double:
  case QMetaType::Float:
    return TPropertyKind::Float;
  case QMetaType::QString:
    return TPropertyKind::Text;
  default:
    break;
  }
  return type.flags().testFlag(QMetaType::PointerToQObject) ? TPropertyKind::Class
                                                            : TPropertyKind::Other;
}

TComponentProperty::TComponentProperty(QObject *component, const QMetaProperty &meta)
    : FComponent(component), FMeta(meta),
      FKind(PropertyKindOf(meta.metaType(), meta.isEnumType(), meta.isFlagType())) {}

TComponentProperty::TComponentProperty(QObject *component, const QByteArray &dynamicName)
    : FComponent(component), FDynamicName(dynamicName),
      FKind(PropertyKindOf(component->property(dynamicName).metaType())) {}

std::optional<TComponentProperty> TComponentProperty::Find(QObject *component,
                                                           const QString &name) {
  if (!component || name.isEmpty())
    return std::nullopt;
  const QByteArray latin = name.toLatin1();
  const QMetaObject *meta = component->metaObject();
  // A property our own class declares under that name comes first (TKivGroupBox's Caption).
  if (const int index = meta->indexOfProperty(latin); index >= 0)
    return TComponentProperty(component, meta->property(index));
  if (const char *qtName = aliasedProperty(component, latin)) {
    const int index = meta->indexOfProperty(qtName);
    return index >= 0 ? std::optional(TComponentProperty(component, meta->property(index)))
                      : std::nullopt;
  }
  if (!isAliasName(latin) && component->dynamicPropertyNames().contains(latin))
    return TComponentProperty(component, latin);
  return std::nullopt;
}

bool TComponentProperty::IsWritable() const {
  return !FMeta.isValid() || FMeta.isWritable();
}

QMetaType TComponentProperty::Type() const {
  return FMeta.isValid() ? FMeta.metaType() : FComponent->property(FDynamicName).metaType();
}

QVariant TComponentProperty::Read() const {
  if (!FComponent)
    return {};
  const QVariant raw =
      FMeta.isValid() ? FMeta.read(FComponent) : FComponent->property(FDynamicName);
  switch (FKind) {
  case TPropertyKind::Integer:
  case TPropertyKind::Char:
  case TPropertyKind::Set:
  case TPropertyKind::Enumeration:
    return ordinalOf(raw);
  case TPropertyKind::WideChar:
    return raw.metaType() == QMetaType::fromType<QChar>()
               ? static_cast<int>(raw.value<QChar>().unicode())
               : ordinalOf(raw);
  case TPropertyKind::Boolean:
    return raw.toBool();
  case TPropertyKind::Float:
    return raw.toDouble();
  case TPropertyKind::Text:
    return raw.toString();
  case TPropertyKind::Class:
  case TPropertyKind::Other:
    break;
  }
  return {};
}

bool TComponentProperty::Write(const QVariant &value) const {
  if (!FComponent)
    return false;
  QVariant typed;
  switch (FKind) {
  case TPropertyKind::WideChar:
    typed = Type() == QMetaType::fromType<QChar>()
                ? QVariant::fromValue(QChar(static_cast<char16_t>(value.toInt())))
                : ordinalAs(Type(), value.toInt());
    break;
  case TPropertyKind::Integer:
  case TPropertyKind::Char:
  case TPropertyKind::Set:
  case TPropertyKind::Enumeration:
    typed = ordinalAs(Type(), value.toInt());
    break;
  case TPropertyKind::Boolean:
  case TPropertyKind::Float:
  case TPropertyKind::Text:
    typed = value;
    if (!typed.convert(Type()))
      return false;
    break;
  case TPropertyKind::Class:
  case TPropertyKind::Other:
    return false;
  }
  if (!typed.isValid())
    return false;
  if (FMeta.isValid())
    return FMeta.write(FComponent, typed);
  FComponent->setProperty(FDynamicName, typed);
  return true;
}
