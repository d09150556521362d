#pragma once

#include <cstdio>
#include <functional>

#include "ui/toolkit.h"

namespace cli {

// Picks the application that asks the question, given the window one: that
// one, or another (the terminal's). Called only once the command line holds
// a dialog to show, so that a wrong command line never waits on a display.
using AskingApplication = std::function<ui::Application&(ui::Application& window)>;

// One whole run of the program, from the application object to the exit
// status. `out` receives the result record, `err` the error lines. Without
// `asking`, `app` asks the question.
int runSetupDialog(int argc, const char* const* argv, ui::Application& app, std::FILE* out,
                   std::FILE* err, const AskingApplication& asking = {});

// Ends a run whose terminal went away (a hang-up) before the user answered:
// nobody answered, so no record; one line on `err` and status 1.
[[noreturn]] void endWithLostTerminal(std::FILE* err);

}  // namespace cli
