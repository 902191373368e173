#include "persist/Components.h"

#include <QMetaObject>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

using TAdopted = QList<QPointer<QObject>>;

// Explicit ownership is kept on the objects themselves, so it lives and dies
// with them: a destroyed owner or component leaves a null pointer behind.
constexpr char kOwnerProperty[] = "vxComponentOwner";
constexpr char kAdoptedProperty[] = "vxAdoptedComponents";

// Far more than any real nesting; only a chain that loops reaches it.
constexpr int kChainLimit = 256;

QObject *explicitOwner(const QObject *component) {
  return component->property(kOwnerProperty).value<QPointer<QObject>>().data();
}

TAdopted adopted(const QObject *owner) {
  TAdopted list = owner->property(kAdoptedProperty).value<TAdopted>();
  list.removeAll(QPointer<QObject>());
  return list;
}

void setAdopted(QObject *owner, const TAdopted &list) {
  owner->setProperty(kAdoptedProperty, list.isEmpty() ? QVariant() : QVariant::fromValue(list));
}

// Qt names its own helper objects "qt_..."; they are never components.
bool isComponentName(const QString &name) {
  return !name.isEmpty() && !name.startsWith(u"qt_"_s);
}

// A window owns the layout below it; a pop-up (a menu, a tool tip) belongs to
// the window it pops up from.
bool isOwningWindow(const QObject *object) {
  const auto *widget = qobject_cast<const QWidget *>(object);
  if (!widget || !widget->isWindow())
    return false;
  const Qt::WindowType type = widget->windowType();
  return type != Qt::Popup && type != Qt::ToolTip;
}

void collectLayout(const QObject *parent, QObjectList &list) {
  for (QObject *child : parent->children()) {
    if (isComponentName(child->objectName()) && !explicitOwner(child))
      list.append(child);
    if (!isOwningWindow(child))
      collectLayout(child, list);
  }
}

bool ownsThroughChain(const QObject *owner, const QObject *component) {
  const QObjectList chain = ComponentOwnerChain(owner);
  return owner == component || chain.contains(component);
}

struct TClassNames {
  const char *qtClass;
  QStringList names; // the class, then the ancestors a class list may name
};

// Qt classes that stand for a Windows control, and that control's own
// ancestors below the common control classes.
const QList<TClassNames> &classTable() {
  static const QList<TClassNames> table = {
      {"QLineEdit", {u"TEdit"_s, u"TCustomEdit"_s}},
      {"QCheckBox", {u"TCheckBox"_s, u"TCustomCheckBox"_s, u"TButtonControl"_s}},
      {"QRadioButton", {u"TRadioButton"_s, u"TButtonControl"_s}},
      {"QLabel", {u"TLabel"_s, u"TCustomLabel"_s}},
      {"QComboBox", {u"TComboBox"_s, u"TCustomComboBox"_s}},
      {"QPushButton", {u"TButton"_s, u"TButtonControl"_s}},
      {"QToolButton", {u"TSpeedButton"_s}},
      {"QPlainTextEdit", {u"TMemo"_s, u"TCustomMemo"_s, u"TCustomEdit"_s}},
      {"QTextEdit", {u"TMemo"_s, u"TCustomMemo"_s, u"TCustomEdit"_s}},
      {"QScrollArea", {u"TScrollBox"_s, u"TScrollingWinControl"_s}},
      {"QGroupBox", {u"TGroupBox"_s, u"TCustomGroupBox"_s}},
      {"QStatusBar", {u"TStatusBar"_s}},
      {"QFrame", {u"TPanel"_s, u"TCustomPanel"_s}},
      {"QMainWindow", {u"TForm"_s, u"TCustomForm"_s, u"TScrollingWinControl"_s}},
      {"QDialog", {u"TForm"_s, u"TCustomForm"_s, u"TScrollingWinControl"_s}},
      {"QMenu", {u"TMenuItem"_s}},
      {"QAction", {u"TMenuItem"_s}},
      {"QTimer", {u"TTimer"_s}},
  };
  return table;
}

const QStringList *namesOf(const char *qtClass) {
  for (const TClassNames &entry : classTable())
    if (qstrcmp(entry.qtClass, qtClass) == 0)
      return &entry.names;
  return nullptr;
}

// Our own classes already carry the Windows program's names (TForm1, TKivGroupBox).
bool isOwnClass(const char *className) {
  return className[0] == 'T' && className[1] >= 'A' && className[1] <= 'Z';
}

} // namespace

void SetComponentOwner(QObject *component, QObject *owner) {
  if (!component || (owner && ownsThroughChain(owner, component)))
    return;
  if (QObject *previous = explicitOwner(component)) {
    TAdopted list = adopted(previous);
    list.removeAll(QPointer<QObject>(component));
    setAdopted(previous, list);
  }
  if (!owner) {
    component->setProperty(kOwnerProperty, QVariant());
    return;
  }
  component->setProperty(kOwnerProperty, QVariant::fromValue(QPointer<QObject>(owner)));
  setAdopted(owner, adopted(owner) << component);
}

QObject *ComponentOwner(const QObject *component) {
  if (!component)
    return nullptr;
  if (QObject *owner = explicitOwner(component))
    return owner;
  if (!isComponentName(component->objectName()))
    return nullptr;
  for (QObject *parent = component->parent(); parent; parent = parent->parent())
    if (isOwningWindow(parent))
      return parent;
  return nullptr;
}

QObjectList ComponentOwnerChain(const QObject *component) {
  QObjectList chain;
  for (QObject *owner = ComponentOwner(component); owner && chain.size() < kChainLimit;
       owner = ComponentOwner(owner)) {
    if (owner == component || chain.contains(owner))
      break;
    chain.append(owner);
  }
  return chain;
}

QObjectList OwnedComponents(const QObject *owner) {
  QObjectList list;
  if (!owner)
    return list;
  if (isOwningWindow(owner))
    collectLayout(owner, list);
  for (const QPointer<QObject> &component : adopted(owner))
    if (explicitOwner(component) == owner)
      list.append(component.data());
  return list;
}

int ComponentIndex(const QObject *component) {
  const QObject *owner = ComponentOwner(component);
  return owner ? static_cast<int>(OwnedComponents(owner).indexOf(component)) : -1;
}

QString ComponentName(const QObject *component) {
  const QString name = component->objectName();
  return name.isEmpty() ? QString::number(ComponentIndex(component)) : name;
}

QString ComponentClassName(const QObject *component) {
  return ComponentClassChain(component).value(0);
}

// The Windows names of the Qt classes a component is made of: our own classes
// as they are, the first Qt class that stands for a Windows control with that
// control's ancestors, then the names every control and component shares.
QStringList ComponentClassChain(const QObject *component) {
  QStringList chain;
  bool controlNamed = false;
  for (const QMetaObject *meta = component->metaObject(); meta; meta = meta->superClass()) {
    const char *className = meta->className();
    if (isOwnClass(className)) {
      chain << QString::fromLatin1(className);
    } else if (qstrcmp(className, "QWidget") == 0) {
      chain << u"TWinControl"_s << u"TControl"_s;
    } else if (qstrcmp(className, "QObject") == 0) {
      chain << u"TComponent"_s << u"TPersistent"_s << u"TObject"_s;
    } else if (const QStringList *names = namesOf(className); names && !controlNamed) {
      chain << *names;
      controlNamed = true;
    }
  }
  return chain;
}
