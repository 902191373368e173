#pragma once

#include <QObject>
#include <QtGlobal>

// A control of a window, reached as a user would know it: by its name. A name
// that is gone stops the run at once, rather than letting a test pass on a
// null pointer or wander off to another control.
template <typename T> T *Control(const QObject *root, const char *name) {
  T *control = root->findChild<T *>(QString::fromLatin1(name));
  if (!control)
    qFatal("no %s named \"%s\" in %s", T::staticMetaObject.className(), name,
           qPrintable(root->objectName()));
  return control;
}
