#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>

class QObject;

// Runs this test program again as a child, with `argument` naming the scenario
// its main() is to play and one environment variable changed (for example a
// bus or sound server address that leads nowhere). True when the child ended
// normally with exit code 0; its errors go to the test's own output.
bool RunSelfAsChild(const QString &argument, const QString &variable, const QString &value);

// The scenarios a test program plays as a child, by argument: "--name", or
// "--name=value" to hand the scenario a value. Each returns the exit code.
using TChildScenarios = std::map<QByteArray, std::function<int(const QByteArray &value)>>;

// Plays the scenario the first argument names, or else runs the test.
int RunChildOrTest(QObject *test, int argc, char **argv, const TChildScenarios &scenarios);

// QTEST_MAIN for a test that runs itself as a child.
#define TEST_MAIN_WITH_CHILDREN(Application, TestClass, ...)                                       \
  int main(int argc, char **argv) {                                                                \
    Application app(argc, argv);                                                                   \
    TestClass test;                                                                                \
    return RunChildOrTest(&test, argc, argv, TChildScenarios __VA_ARGS__);                         \
  }
