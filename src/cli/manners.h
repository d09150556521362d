// What the program says of itself (--help, --version), and the line that
// says why no window could be shown.
#pragma once

#include <string>
#include <string_view>

#include "ui/toolkit.h"

namespace cli {

// The whole text of --help: the usage line, the modes, where the records are
// described.
std::string_view helpText();

// "setup-dialog 0.1\n", from the project's version.
std::string versionText();

// The one line, ending in a line feed, for a run with no window to show and
// no terminal to ask in. Its first words never change: parents match on them.
std::string noDisplayLine(const ui::NoDisplayReason& why);

}  // namespace cli
