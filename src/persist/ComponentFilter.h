#pragma once

#include <QString>
#include <QStringList>

class QObject;

// Whether a name matches a line of a name list: equal to it, or, for a line
// with "**" in it, containing the line less its last two characters ("lf**"
// takes in lft, lfl, lfw and lfh). Letter case counts.
bool ComponentNameMatches(const QString &name, const QString &line);

// Which components take part in a pass. An empty list lets everything by.
struct TComponentFilter {
  QStringList ClassNames;   // the component's class or one of its ancestors
  QStringList IncludeNames; // the component or one of its owners must match
  QStringList SkipNames;    // neither the component nor any of its owners may match

  bool Admits(const QObject *component) const;
};
