#include "persist/ComponentFilter.h"

#include "persist/Components.h"

#include <QObject>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool anyMatches(const QStringList &names, const QStringList &lines) {
  return std::any_of(names.cbegin(), names.cend(), [&](const QString &name) {
    return std::any_of(lines.cbegin(), lines.cend(),
                       [&](const QString &line) { return ComponentNameMatches(name, line); });
  });
}

// The component's name and its owners' names, nearest first.
QStringList namesUpTheOwners(const QObject *component) {
  QStringList names{component->objectName()};
  for (const QObject *owner : ComponentOwnerChain(component))
    names << owner->objectName();
  return names;
}

} // namespace

bool ComponentNameMatches(const QString &name, const QString &line) {
  return name == line || (line.contains(u"**"_s) && name.contains(line.chopped(2)));
}

bool TComponentFilter::Admits(const QObject *component) const {
  if (!ClassNames.isEmpty()) {
    const QStringList chain = ComponentClassChain(component);
    if (std::none_of(chain.cbegin(), chain.cend(),
                     [&](const QString &name) { return ClassNames.contains(name); }))
      return false;
  }
  if (SkipNames.isEmpty() && IncludeNames.isEmpty())
    return true;
  const QStringList names = namesUpTheOwners(component);
  return (SkipNames.isEmpty() || !anyMatches(names, SkipNames)) &&
         (IncludeNames.isEmpty() || anyMatches(names, IncludeNames));
}
