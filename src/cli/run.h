#pragma once

#include <cstdio>

#include "ui/toolkit.h"

namespace cli {

// One whole run of the program, from the application object to the exit
// status. `out` receives the result record, `err` the error lines.
int runSetupDialog(int argc, const char* const* argv, ui::Application& app, std::FILE* out,
                   std::FILE* err);

}  // namespace cli
