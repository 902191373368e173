#pragma once

#include <QByteArray>
#include <QMetaProperty>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <optional>

// How a property is turned into text and back.
enum class TPropertyKind {
  Integer,
  Char,
  WideChar,
  Set,
  Enumeration,
  Boolean,
  Float,
  Text,
  Class,
  Other
};

// One property of a component, reached by the name the Windows program gives
// it ("Caption", "Text", "Checked", "ItemIndex", "Hint") whatever Qt calls it;
// any other name is the Qt property of exactly that name.
class TComponentProperty {
public:
  // Nothing when the component has no such property.
  static std::optional<TComponentProperty> Find(QObject *component, const QString &name);

  TPropertyKind Kind() const { return FKind; }
  bool IsWritable() const;
  // An int for the ordinal kinds, a bool, a double or a QString; nothing
  // useful for a class or another kind.
  QVariant Read() const;
  // Takes the value in the form Read gives it.
  bool Write(const QVariant &value) const;

private:
  TComponentProperty(QObject *component, const QMetaProperty &meta);
  TComponentProperty(QObject *component, const QByteArray &dynamicName);

  QMetaType Type() const;

  QPointer<QObject> FComponent;
  QMetaProperty FMeta;     // valid for a declared property
  QByteArray FDynamicName; // else the name of a dynamic one
  TPropertyKind FKind = TPropertyKind::Other;
};

TPropertyKind PropertyKindOf(QMetaType type, bool isEnum = false, bool isFlag = false);
