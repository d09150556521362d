#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "ui/toolkit.h"

namespace cli {

// Gives the application that asks the question, or null when none can,
// with `line` set to the one line that says why. Called only once the
// command line holds a dialog to show, so that a wrong command line never
// waits on a display or loads a toolkit.
using ApplicationSource = std::function<ui::Application*(std::string& line)>;

// One whole run of the program, from the command line to the exit status.
// `out` receives the result record, `err` the error lines.
int runSetupDialog(int argc, const char* const* argv, const ApplicationSource& source,
                   std::FILE* out, std::FILE* err);

// The same, where `app` asks the question when it can show windows.
int runSetupDialog(int argc, const char* const* argv, ui::Application& app, std::FILE* out,
                   std::FILE* err);

}  // namespace cli
