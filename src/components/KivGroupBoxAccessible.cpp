#include "components/KivGroupBoxAccessible.h"

#include "components/KivGroupBox.h"

namespace {
QAccessibleInterface *groupBoxFactory(const QString &className, QObject *object) {
  if (className != QLatin1StringView(TKivGroupBox::staticMetaObject.className()))
    return nullptr;
  auto *box = qobject_cast<TKivGroupBox *>(object);
  return box ? new TKivGroupBoxAccessible(box) : nullptr;
}
} // namespace

TKivGroupBoxAccessible::TKivGroupBoxAccessible(QWidget *widget)
    : QAccessibleWidget(widget, QAccessible::Grouping) {}

// The captions carry spaces that pad them away from the frame line; a screen
// reader should not have to read those.
QString TKivGroupBoxAccessible::text(QAccessible::Text kind) const {
  if (kind != QAccessible::Name || !widget()->accessibleName().isEmpty())
    return QAccessibleWidget::text(kind);
  return static_cast<const TKivGroupBox *>(widget())->Caption().trimmed();
}

void TKivGroupBoxAccessible::install() {
  static const bool installed = [] {
    QAccessible::installFactory(groupBoxFactory);
    return true;
  }();
  Q_UNUSED(installed);
}
