// The program settings: kept in "vxss.ini" by the persistence component and
// applied to the main window the moment a control changes.
#include "persist/KivTextResIni.h"
#include "platform/DataFolder.h"
#include "platform/IniFile.h"
#include "platform/TextFile.h"
#include "settings/SettingsHost.h"
#include "settings/Unit2.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QScopedValueRollback>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Opacity 0 (invisible) to 255 for a transparency in per cent, rounded up.
int AlphaValue(int transparencyPercent) {
  const int opaquePercent = 100 - std::clamp(transparencyPercent, 0, 100);
  return (opaquePercent * 255 + 99) / 100;
}

} // namespace

void TFormSetting::buildPersistence() {
  KivTextResIni1 = new TKivTextResIni(this);
  KivTextResIni1->setObjectName(u"KivTextResIni1"_s);
  KivTextResIni1->FormControl = this;
  KivTextResIni1->ListPropertyControl = {u"ItemIndex"_s, u"Checked"_s};
  KivTextResIni1->ListIncludeName = {
      u"CBTimeOut"_s,    u"ChBStayOnTop"_s,  u"ChBStoreXMLItemPos"_s, u"CBFilterAssociation"_s,
      u"CBAlphaBlend"_s, u"ChBBallonsOff"_s, u"ChBSoundsUse"_s,       u"ChBWatchAll"_s};
  KivTextResIni1->OnAfterExecute = [this](TKivTextResIni *, bool) { KivTextResIni1AfterExecute(); };
  KivTextResIni1->OnUseReadVal = [this](QObject *instance, const QString &propName,
                                        const QVariant &value, bool &useVal) {
    KivTextResIni1UseReadVal(instance, propName, value, useVal);
  };
}

// Without a file the defaults of the layout stand, and are applied all the same.
void TFormSetting::readSettings() {
  KivTextResIni1->setFileName(TDataFolder::file(u"vxss.ini"_s));
  if (!QFileInfo::exists(KivTextResIni1->FileName())) {
    KivTextResIni1AfterExecute();
    return;
  }
  // The controls it restores announce their changes; those are not edits to save.
  const QScopedValueRollback reading(FReadingSettings, true);
  KivTextResIni1->ActionText = TActionText::atRead;
  KivTextResIni1->Execute();
}

// A stored value that is empty, or a choice the list does not have, leaves
// the control as it was: a damaged file must not set the update interval to
// nothing or the transparency to invisible.
void TFormSetting::KivTextResIni1UseReadVal(QObject *Instance, const QString &PropName,
                                            const QVariant &Value, bool &UseVal) const {
  UseVal = !Value.toString().isEmpty() && !storedText(Instance, PropName).isEmpty();
  if (const auto *list = qobject_cast<const QComboBox *>(Instance); list && UseVal)
    UseVal = Value.toInt() >= 0 && Value.toInt() < list->count();
}

// The text the file holds for a control's property. The component hands on
// an empty text already converted (to 0 or false), which would look stored.
QString TFormSetting::storedText(const QObject *instance, const QString &propName) const {
  return TIniFile(KivTextResIni1->FileName())
      .ReadString(objectName(), ComponentKey(instance, propName));
}

void TFormSetting::CBTimeOutChange() {
  if (FReadingSettings || (FHost && FHost->startingOrClosing()))
    return;
  KivTextResIni1->ActionText = TActionText::atWrite;
  KivTextResIni1->Execute();
}

void TFormSetting::KivTextResIni1AfterExecute() {
  if (!FHost)
    return;
  FHost->applyStayOnTop(ChBStayOnTop->isChecked());
  if (CBAlphaBlend->currentIndex() >= 0)
    FHost->applyAlphaValue(AlphaValue(StrToIntSafe(CBAlphaBlend->currentText())));
  FHost->applyCaption(u"  "_s + QApplication::applicationDisplayName() +
                      u" (интервал обновлений "_s + CBTimeOut->currentText() + u" мин.)"_s);
  FHost->applyUpdateInterval(updateMinutes() * 60000 + 5000, !FHost->startingOrClosing());
  FHost->applyWatch(watchAll());
}
