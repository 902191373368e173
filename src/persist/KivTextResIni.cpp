#include "persist/KivTextResIni.h"

#include "persist/ComponentFilter.h"
#include "persist/ComponentProperty.h"
#include "persist/ComponentWalk.h"
#include "persist/Components.h"
#include "persist/PropertyText.h"
#include "persist/StoredValue.h"
#include "platform/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// What every step of one pass works with.
struct TPass {
  TKivTextResIni &owner;
  QWidget &form;
  TIniFile ini;
  QString section;
  TStoredValueOptions options;
};

// The window's own values, kept under "<window name>_Caption" and "_Hint".
struct TFormValue {
  QString suffix;
  QString (QWidget::*get)() const;
  void (QWidget::*set)(const QString &);
};

const TFormValue kFormValues[] = {
    {u"_Caption"_s, &QWidget::windowTitle, &QWidget::setWindowTitle},
    {u"_Hint"_s, &QWidget::toolTip, &QWidget::setToolTip},
};

TStoredValueOptions storedValueOptions(const TKivTextResIni &component) {
  return {component.Crypt, component.CryptKey(), QFileInfo(component.FileName()).absolutePath()};
}

// Shown without waiting for it: a pass runs inside window handlers, which
// must not spin a nested event loop. The text is the system's own.
void reportMissingFile(QWidget *form, const QString &fileName) {
  QFile file(fileName);
  const QString reason = file.open(QIODevice::ReadOnly) ? QString() : file.errorString();
  auto *box = new QMessageBox(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                              reason, QMessageBox::Ok, form);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

std::function<bool(QObject *)>
admitter(const TKivTextResIni &component,
         const std::function<void(const QString &, bool &)> &onBefore) {
  const TComponentFilter filter{component.ListClassControl, component.ListIncludeName,
                                component.ListSkipName};
  return [filter, onBefore](QObject *candidate) {
    if (!filter.Admits(candidate))
      return false;
    bool canExecute = true;
    if (onBefore)
      onBefore(candidate->objectName(), canExecute);
    return canExecute;
  };
}

bool hasKey(const TPass &pass, const QString &key) {
  return pass.ini.ReadSection(pass.section).contains(key, Qt::CaseInsensitive);
}

// A key that is missing leaves the window's value as it is: decoding the value
// in its place would take a caption beginning "file::" for a side file, or
// unscramble one that never was scrambled.
bool readFormValues(TPass &pass) {
  for (const TFormValue &value : kFormValues) {
    const QString key = pass.form.objectName() + value.suffix;
    if (!hasKey(pass, key))
      continue;
    QString text;
    if (!DecodeStoredValue(pass.ini.ReadString(pass.section, key), pass.options, text))
      return false;
    (pass.form.*value.set)(text);
  }
  return true;
}

bool writeFormValues(TPass &pass) {
  for (const TFormValue &value : kFormValues) {
    const QString key = pass.form.objectName() + value.suffix;
    QString stored;
    if (!EncodeStoredValue(pass.section + key, (pass.form.*value.get)(), pass.options, stored) ||
        !pass.ini.WriteString(pass.section, key, stored))
      return false;
  }
  return true;
}

bool isReadBack(const TComponentProperty &property) {
  return property.Kind() != TPropertyKind::Class && property.Kind() != TPropertyKind::Other &&
         property.IsWritable();
}

bool readProperty(TPass &pass, QObject *component, const QString &name) {
  const std::optional<TComponentProperty> property = TComponentProperty::Find(component, name);
  if (!property || !isReadBack(*property))
    return true;
  QString text;
  if (!DecodeStoredValue(pass.ini.ReadString(pass.section, ComponentKey(component, name)),
                         pass.options, text))
    return false;
  const std::optional<QVariant> value = PropertyFromText(property->Kind(), text);
  if (!value)
    return false;
  bool useVal = true;
  if (pass.owner.OnUseReadVal)
    pass.owner.OnUseReadVal(component, name, *value, useVal);
  return !useVal || property->Write(*value);
}

bool writeProperty(TPass &pass, QObject *component, const QString &name) {
  const std::optional<TComponentProperty> property = TComponentProperty::Find(component, name);
  if (!property)
    return true;
  const QString key = ComponentKey(component, name);
  QString stored;
  return EncodeStoredValue(pass.section + key, PropertyToText(property->Kind(), property->Read()),
                           pass.options, stored) &&
         pass.ini.WriteString(pass.section, key, stored);
}

// Every listed property of one component, in list order. A handler run on the
// way (OnUseReadVal, a control's change signal) may destroy the component.
bool forEachProperty(TPass &pass, QObject *component,
                     bool (*handle)(TPass &, QObject *, const QString &)) {
  const QPointer<QObject> guard(component);
  for (const QString &name : pass.owner.ListPropertyControl) {
    if (!guard)
      return true;
    if (!handle(pass, component, name))
      return false;
  }
  return true;
}

} // namespace

QString ComponentKey(const QObject *component, const QString &property) {
  const QObject *owner = ComponentOwner(component);
  const QString ownerPart =
      owner ? ComponentClassName(owner) + u'_' + ComponentName(owner) : u"_"_s;
  return ownerPart + u'_' + ComponentClassName(component) + u'_' + ComponentName(component) + u'_' +
         property;
}

TKivTextResIni::TKivTextResIni(QObject *owner) : QObject(owner) {
  auto *window = qobject_cast<QWidget *>(owner);
  if (window && window->isWindow())
    FormControl = window;
}

void TKivTextResIni::setFileName(const QString &fileName) {
  if (fileName != FFileName)
    FFileName = fileName;
}

void TKivTextResIni::setCryptKey(const QString &key) {
  if (key != FCryptKey)
    FCryptKey = key;
}

bool TKivTextResIni::Execute() {
  if (!FormControl || ListPropertyControl.isEmpty() || FPassRunning)
    return false;
  if (OnBeforeExecute)
    OnBeforeExecute(this);
  bool result = false;
  {
    // A pass started from inside another (a control's change handler saving
    // while the read pass restores it) would store half-restored values.
    const QScopedValueRollback running(FPassRunning, true);
    result = ActionText == TActionText::atRead ? ReadValues() : WriteValues();
  }
  if (OnAfterExecute)
    OnAfterExecute(this, result);
  return result;
}

bool TKivTextResIni::ReadValues() {
  const QPointer<QWidget> form = FormControl;
  if (!form)
    return false;
  if (!QFileInfo::exists(FFileName)) {
    reportMissingFile(form, FFileName);
    return false;
  }
  TPass pass{*this, *form, TIniFile(FFileName), form->objectName(), storedValueOptions(*this)};
  // One read of the disk for the whole pass: every key would otherwise read
  // and parse the file anew. Nothing is written back, since nothing changes.
  if (pass.section.isEmpty() || !pass.ini.BeginUpdate() ||
      !pass.ini.SectionHasKeys(pass.section))
    return false;
  const bool read =
      (!UseForForms || readFormValues(pass)) &&
      WalkComponents(form, admitter(*this, OnBeforeRead), [&](QObject *component) {
        return forEachProperty(pass, component, readProperty);
      });
  pass.ini.EndUpdate();
  return read;
}

// One replacement of the INI file for the whole pass, made even when the pass
// stops early so that what was written stays written. Side files are written
// on the way, before it, so the file never refers to one that is not there.
bool TKivTextResIni::WriteValues() {
  const QPointer<QWidget> form = FormControl;
  if (!form || form->objectName().isEmpty())
    return false;
  TPass pass{*this, *form, TIniFile(FFileName), form->objectName(), storedValueOptions(*this)};
  if (!pass.ini.BeginUpdate())
    return false;
  const bool written =
      (!UseForForms || writeFormValues(pass)) &&
      WalkComponents(form, admitter(*this, OnBeforeWrite), [&](QObject *component) {
        return forEachProperty(pass, component, writeProperty);
      });
  const bool stored = pass.ini.EndUpdate();
  return written && stored;
}
