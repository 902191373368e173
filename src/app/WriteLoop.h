#pragma once

class TForm1;

// For the crash-consistency test, and only in builds configured with
// VORNIX_FAULT_INJECTION: with VORNIX_TEST_WRITE_LOOP=1 in the environment the
// shown main window keeps saving every file the program keeps, each time with
// new content, through the handlers a user's actions run, until the test kills
// it. Site 1 must have a feed for it to fetch.
class TWriteLoop {
public:
  static void StartIfAsked(TForm1 *form);
};
