#pragma once

#include <functional>

class TForm1;

// The whole program between main()'s braces: the application object, the
// command line, the single instance, both windows and the event loop. `shown`
// runs once the main window's first show has done its work (loaded the state,
// built the tabs), before the event loop starts, for builds that drive the
// windows from inside the program.
int RunVornix(int argc, char *argv[], const std::function<void(TForm1 &)> &shown = {});
