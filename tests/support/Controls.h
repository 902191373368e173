#pragma once

#include <QObject>
#include <QtGlobal>

// A window's control by its objectName: tests reach controls the way a user
// or a screen reader does, never through the window's fields.
template <typename T> T *Control(const QObject *root, const char *name) {
  T *control = root->findChild<T *>(QString::fromLatin1(name));
  if (!control)
    qFatal("no control named %s", name);
  return control;
}
