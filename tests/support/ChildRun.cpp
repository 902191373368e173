#include "support/ChildRun.h"

#include <QCoreApplication>
#include <QProcess>

bool RunSelfAsChild(const QString &argument, const QString &variable, const QString &value) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(variable, value);
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(), {argument});
  return child.waitForFinished(30000) && child.exitStatus() == QProcess::NormalExit &&
         child.exitCode() == 0;
}
