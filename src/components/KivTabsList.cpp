#include "components/KivTabsList.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A tab with no caption would have no width to click on.
QString storedCaption(const QString &caption) {
  return caption.isEmpty() ? u" "_s : caption;
}

} // namespace

QString TKivTabsList::strings(int index) const {
  return isValidIndex(index) ? FTabs.at(index).caption : QString();
}

QVariant TKivTabsList::objects(int index) const {
  return isValidIndex(index) ? FTabs.at(index).object : QVariant();
}

void TKivTabsList::setObject(int index, const QVariant &object) {
  if (isValidIndex(index))
    FTabs[index].object = object;
}

QStringList TKivTabsList::captions() const {
  QStringList result;
  result.reserve(count());
  for (const TTab &tab : FTabs)
    result.append(tab.caption);
  return result;
}

int TKivTabsList::indexOf(const QString &caption) const {
  for (int i = 0; i < count(); ++i) {
    if (FTabs.at(i).caption == caption)
      return i;
  }
  return -1;
}

TKivTabState TKivTabsList::state(int index) const {
  return isValidIndex(index) ? FTabs.at(index).state : TKivTabState{};
}

bool TKivTabsList::setVisible(int index, bool visible) {
  if (!isValidIndex(index) || FTabs.at(index).state.Visible == visible)
    return false;
  FTabs[index].state.Visible = visible;
  changed();
  return true;
}

bool TKivTabsList::setEnabled(int index, bool enabled) {
  if (!isValidIndex(index) || FTabs.at(index).state.Enabled == enabled)
    return false;
  FTabs[index].state.Enabled = enabled;
  changed();
  return true;
}

void TKivTabsList::setText(int index, const QString &text) {
  if (isValidIndex(index))
    FTabs[index].state.Text = text;
}

bool TKivTabsList::isSelectable(int index) const {
  return isValidIndex(index) && FTabs.at(index).state.Visible && FTabs.at(index).state.Enabled;
}

int TKivTabsList::AddObject(const QString &caption, const QVariant &object) {
  FTabs.append({storedCaption(caption), object, {}});
  const int index = count() - 1;
  if (FOwner && !loading() && FOwner->selectsAddedTabs())
    FOwner->setTabIndex(index);
  changed();
  return index;
}

void TKivTabsList::InsertObject(int index, const QString &caption, const QVariant &object) {
  if (index < 0)
    return;
  index = std::min(index, count());
  FTabs.insert(index, {storedCaption(caption), object, {}});
  if (!loading())
    changed();
}

void TKivTabsList::AddStrings(const QStringList &captions) {
  if (FOwner)
    FOwner->setRedrawSuspended(true);
  for (const QString &caption : captions)
    FTabs.append({storedCaption(caption), {}, {}});
  // A bulk load starts every tab afresh, including the ones already there.
  for (TTab &tab : FTabs)
    tab.state = {};
  if (FOwner)
    FOwner->setRedrawSuspended(false);
  if (FOwner && !loading() && FOwner->selectsAddedTabs())
    FOwner->setTabIndex(count() > 0 ? 0 : -1);
  changed();
}

void TKivTabsList::Delete(int index) {
  if (!isValidIndex(index))
    return;
  // The new selection depends only on the old one, not on which tab goes.
  int target = -1;
  if (FOwner) {
    const int selected = FOwner->TabIndex();
    if (selected <= 0)
      target = 0;
    else
      target = count() > 1 ? selected - 1 : 0;
  }
  FTabs.removeAt(index);
  if (!FOwner || loading())
    return;
  FOwner->resetVisibleRange();
  if (target == -1 || target >= count())
    target = count() - 1;
  FOwner->setTabIndex(target);
  changed();
}

void TKivTabsList::Clear() {
  FTabs.clear();
  if (!FOwner || loading())
    return;
  FOwner->resetVisibleRange();
  FOwner->setTabIndex(-1);
  changed();
}

void TKivTabsList::Put(int index, const QString &caption) {
  if (!isValidIndex(index))
    return;
  FTabs[index].caption = storedCaption(caption);
  changed();
}

void TKivTabsList::Exchange(int first, int second) {
  if (!isValidIndex(first) || !isValidIndex(second) || first == second)
    return;
  FTabs.swapItemsAt(first, second);
  changed();
}

void TKivTabsList::changed() const {
  if (FOwner)
    FOwner->tabsChanged();
}
