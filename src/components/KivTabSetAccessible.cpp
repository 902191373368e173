#include "components/KivTabSetAccessible.h"

#include "components/KivCustomTabSet.h"
#include "platform/BusyWait.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

// Positions among the visible tabs are what assistive technologies count.
QList<int> visibleTabs(const TKivCustomTabSet *strip) {
  QList<int> tabs;
  for (int i = 0; i < strip->TabsList().count(); ++i) {
    if (strip->TabsList().state(i).Visible)
      tabs.append(i);
  }
  return tabs;
}

QString spokenCaption(const QString &caption) {
  QString spoken;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption.at(i) == u'&' && i + 1 < caption.size())
      ++i;
    spoken.append(caption.at(i));
  }
  return spoken.trimmed();
}

class TKivTabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
  TKivTabAccessible(TKivCustomTabSet *strip, int position) : FStrip(strip), FPosition(position) {}

  bool isValid() const override { return FStrip && tabIndex() >= 0; }
  QObject *object() const override { return nullptr; }
  QWindow *window() const override { return FStrip ? FStrip->window()->windowHandle() : nullptr; }
  QAccessibleInterface *parent() const override {
    return QAccessible::queryAccessibleInterface(FStrip.data());
  }
  QAccessibleInterface *child(int) const override { return nullptr; }
  QAccessibleInterface *childAt(int, int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface *) const override { return -1; }
  QAccessible::Role role() const override { return QAccessible::PageTab; }

  QString text(QAccessible::Text t) const override {
    if (!isValid() || t != QAccessible::Name)
      return {};
    return spokenCaption(FStrip->TabsList().strings(tabIndex()));
  }
  void setText(QAccessible::Text, const QString &) override {}

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid())
      return s;
    const int index = tabIndex();
    const bool selected = index == FStrip->TabIndex();
    s.selectable = true;
    s.focusable = true;
    s.selected = selected;
    s.focused = selected && FStrip->hasFocus();
    s.disabled = !FStrip->isEnabled() || !FStrip->TabsList().state(index).Enabled;
    s.invisible = !FStrip->isVisible();
    s.offscreen = index < FStrip->firstVisibleTab() || index > FStrip->lastVisibleTab();
    return s;
  }

  QRect rect() const override {
    if (!isValid() || state().offscreen)
      return {};
    const QRect r = FStrip->tabRect(tabIndex());
    return QRect(FStrip->mapToGlobal(r.topLeft()), r.size());
  }

  void *interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this)
                                                : nullptr;
  }
  QStringList actionNames() const override { return {pressAction()}; }
  // The caller on the bus is answered first: choosing a tab may start a
  // refresh, which the answer must not wait for.
  void doAction(const QString &name) override {
    if (!isValid() || name != pressAction())
      return;
    TBusyWait::later(FStrip, [strip = FStrip, index = tabIndex()] {
      if (strip)
        strip->setTabIndex(index);
    });
  }
  QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
  int tabIndex() const {
    if (!FStrip)
      return -1;
    const QList<int> tabs = visibleTabs(FStrip);
    return FPosition < tabs.size() ? tabs.at(FPosition) : -1;
  }

  QPointer<TKivCustomTabSet> FStrip;
  int FPosition;
};

class TKivTabSetAccessible : public QAccessibleWidget {
public:
  explicit TKivTabSetAccessible(QWidget *widget)
      : QAccessibleWidget(widget, QAccessible::PageTabList) {}
  ~TKivTabSetAccessible() override {
    for (QAccessible::Id id : std::as_const(FTabIds))
      QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override { return tabCount() + QAccessibleWidget::childCount(); }

  QAccessibleInterface *child(int index) const override {
    if (index < 0)
      return nullptr;
    if (index < tabCount())
      return tab(index);
    return QAccessibleWidget::child(index - tabCount());
  }

  int indexOfChild(const QAccessibleInterface *child) const override {
    if (child && child->role() == QAccessible::PageTab) {
      const int position =
          FTabIds.indexOf(QAccessible::uniqueId(const_cast<QAccessibleInterface *>(child)));
      if (position >= 0 && position < tabCount())
        return position;
    }
    const int widgetIndex = QAccessibleWidget::indexOfChild(child);
    return widgetIndex < 0 ? -1 : widgetIndex + tabCount();
  }

  QAccessibleInterface *childAt(int x, int y) const override {
    const TKivCustomTabSet *s = strip();
    const int index = s->tabAt(s->mapFromGlobal(QPoint(x, y)));
    if (index >= 0)
      return tab(static_cast<int>(visibleTabs(s).indexOf(index)));
    return QAccessibleWidget::childAt(x, y);
  }

  QString text(QAccessible::Text t) const override {
    QString result = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && result.isEmpty())
      result = u"Вкладки"_s;
    return result;
  }

private:
  TKivCustomTabSet *strip() const { return static_cast<TKivCustomTabSet *>(widget()); }
  int tabCount() const { return static_cast<int>(visibleTabs(strip()).size()); }

  QAccessibleInterface *tab(int position) const {
    if (position < 0 || position >= tabCount())
      return nullptr;
    while (FTabIds.size() <= position) {
      auto *created = new TKivTabAccessible(strip(), static_cast<int>(FTabIds.size()));
      FTabIds.append(QAccessible::registerAccessibleInterface(created));
    }
    return QAccessible::accessibleInterface(FTabIds.at(position));
  }

  mutable QList<QAccessible::Id> FTabIds;
};

QAccessibleInterface *tabSetFactory(const QString &className, QObject *object) {
  if (className == u"TKivCustomTabSet"_s && object && object->isWidgetType())
    return new TKivTabSetAccessible(static_cast<QWidget *>(object));
  return nullptr;
}

int positionOf(TKivCustomTabSet *strip, int index) {
  return static_cast<int>(visibleTabs(strip).indexOf(index));
}

} // namespace

void InstallKivTabSetAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(tabSetFactory);
    return true;
  }();
  Q_UNUSED(installed);
}

void KivTabSetAccessibleChanged(TKivCustomTabSet *strip) {
  if (!QAccessible::isActive())
    return;
  QAccessibleEvent event(strip, QAccessible::ObjectReorder);
  QAccessible::updateAccessibility(&event);
}

void KivTabSetAccessibleSelected(TKivCustomTabSet *strip, int index) {
  if (!QAccessible::isActive())
    return;
  const int position = positionOf(strip, index);
  if (position < 0)
    return;
  if (strip->hasFocus()) {
    QAccessibleEvent focus(strip, QAccessible::Focus);
    focus.setChild(position);
    QAccessible::updateAccessibility(&focus);
  }
  QAccessibleEvent selection(strip, QAccessible::Selection);
  selection.setChild(position);
  QAccessible::updateAccessibility(&selection);
}
