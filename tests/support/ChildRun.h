#pragma once

#include <QString>

// Runs this test program again as a child, with `argument` telling its main()
// which scenario to play and one environment variable changed (for example a
// bus or sound server address that leads nowhere). True when the child ended
// normally with exit code 0; its errors go to the test's own output.
bool RunSelfAsChild(const QString &argument, const QString &variable, const QString &value);
