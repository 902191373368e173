#include "support/ChildRun.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

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

int RunChildOrTest(QObject *test, int argc, char **argv, const TChildScenarios &scenarios) {
  const QByteArray argument = argc > 1 ? QByteArray(argv[1]) : QByteArray();
  const qsizetype equals = argument.indexOf('=');
  const auto scenario = scenarios.find(equals < 0 ? argument : argument.left(equals));
  if (scenario == scenarios.end())
    return QTest::qExec(test, argc, argv);
  return scenario->second(equals < 0 ? QByteArray() : argument.mid(equals + 1));
}
