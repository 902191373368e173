#include "persist/ComponentWalk.h"

#include "persist/Components.h"

#include <QPointer>
#include <QSet>

namespace {

struct TWalk {
  const std::function<bool(QObject *)> &admit;
  const std::function<bool(QObject *)> &visit;
  QSet<const QObject *> seen;

  bool from(QObject *owner) {
    // Handlers run on the way and may destroy what comes later.
    QList<QPointer<QObject>> owned;
    for (QObject *component : OwnedComponents(owner))
      owned.append(component);
    for (const QPointer<QObject> &component : std::as_const(owned)) {
      if (!component || seen.contains(component.data()))
        continue;
      seen.insert(component.data());
      if (!admit(component) || !component)
        continue;
      if (!visit(component))
        return false;
      if (component && !from(component))
        return false;
    }
    return true;
  }
};

} // namespace

bool WalkComponents(QObject *start, const std::function<bool(QObject *)> &admit,
                    const std::function<bool(QObject *)> &visit) {
  TWalk walk{admit, visit, {start}};
  return walk.from(start);
}
