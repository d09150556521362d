// What the program says of itself (--help, --version), the line that says
// why no window could be shown, and the lines of a run that ends early.
#pragma once

#include <string>
#include <string_view>

#include "ui/toolkit_host.h"

namespace cli {

// The whole text of --help: the usage line, the modes, where the records are
// described.
std::string_view helpText();

// "setup-dialog 0.1\n", from the project's version.
std::string versionText();

// The one line, ending in a line feed, for a run with no window to show and
// no terminal to ask in. Its first words never change: parents match on them.
std::string noDisplayLine(const ui::NoDisplayReason& why);

// The one line for a run that a toolkit could not take to an answer.
std::string_view earlyEndLine(ui::EarlyEnd why);

// Writes earlyEndLine(why) on `errorFd` (none when it is negative) and ends
// the process with status 1 at once, without running exit handlers: the
// toolkit may be half torn down, and nothing of the record was written.
// Only write and _exit: safe from a signal handler and from any thread.
[[noreturn]] void endRunEarly(int errorFd, ui::EarlyEnd why);

}  // namespace cli
