#include "cli/manners.h"

#include <unistd.h>

#include <atomic>

#include "cli/command.h"
#include "setup_dialog_version.h"

namespace cli {

std::string_view helpText() {
    return "Usage: setup-dialog <clients|no-clients|migrate-empty|migrate|enroll|enforcement-error> "
           "[items...]\n"
           "\n"
           "Asks the user one question of a tool's first-run setup in an alert (on the\n"
           "terminal when no window can be shown) and writes the answer on standard\n"
           "output: a record of one to three lines, then the exit status.\n"
           "\n"
           "Modes:\n"
           "  clients [WORD] [NAME...]     which apps to set up, and automatic setup\n"
           "  no-clients [WORD]            no app found: automatic setup alone\n"
           "  migrate [NAME...]            which tools to take over\n"
           "  migrate-empty                notice: nothing to migrate\n"
           "  enroll [ERROR]               setup code and work email\n"
           "  enforcement-error [disable]  notice: automatic setup could not be\n"
           "                               turned off (disable) or on (anything else)\n"
           "WORD is auto_install, enforce_all, detect_only or off; any other word,\n"
           "or none, is the default.\n"
           "\n"
           "  --help     show this text\n"
           "  --version  show the version\n"
           "\n"
           "Exit status: 0 when the dialog ran and its record was written whole;\n"
           "1 for no answer, with one line on standard error that says why.\n"
           "\n"
           "The records of each mode, and the rules a parent follows, are in\n"
           "setup-dialog(1) and in README.md, \"For parent authors\".\n";
}

std::string versionText() { return "setup-dialog " SETUP_DIALOG_VERSION "\n"; }

std::string noDisplayLine(const ui::NoDisplayReason& why) {
    std::string line = "setup-dialog: no display: cannot show the dialog (";
    const std::string display = printableBytes(why.display);
    const std::string named = why.wayland ? "the Wayland display " + display : "the display " + display;
    switch (why.kind) {
    case ui::NoDisplayReason::Kind::NoneNamed:
        line += "is DISPLAY set?";
        break;
    case ui::NoDisplayReason::Kind::NotAnswering:
        line += named + " does not answer";
        break;
    case ui::NoDisplayReason::Kind::Refused:
        line += named + " refused this user";
        break;
    }
    return line + ")\n";
}

}  // namespace cli

namespace cli {

std::string_view earlyEndLine(ui::EarlyEnd why) {
    switch (why) {
    case ui::EarlyEnd::DisplayLost:
        return "setup-dialog: lost the display before an answer\n";
    case ui::EarlyEnd::WindowNeverAppeared:
        // A no-display line: parents match its first words like the others.
        return "setup-dialog: no display: cannot show the dialog (the window did not appear)\n";
    case ui::EarlyEnd::TerminalLost:
        return "setup-dialog: lost the terminal before an answer\n";
    }
    return "setup-dialog: lost the display before an answer\n";
}

void endRunEarly(int errorFd, ui::EarlyEnd why) {
    // Two threads of a toolkit may report the same loss at once: the first
    // writes the one line; the others end only once it is written.
    static std::atomic_flag ending = ATOMIC_FLAG_INIT;
    static std::atomic<bool> lineWritten{false};
    if (ending.test_and_set()) {
        while (!lineWritten.load()) {
        }
        _exit(1);
    }
    const std::string_view line = earlyEndLine(why);
    if (errorFd >= 0) {
        [[maybe_unused]] const auto written = write(errorFd, line.data(), line.size());
    }
    lineWritten.store(true);
    _exit(1);
}

}  // namespace cli
