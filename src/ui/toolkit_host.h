// What the program hands a window toolkit when it starts one, and the one
// symbol a toolkit built as a loadable module exports.
//
// A toolkit never writes the program's error lines and never ends the
// process itself: when the run cannot reach an answer it calls endRun, and
// the command line's layer writes the line and chooses the status.
#pragma once

#include <functional>
#include <string>

#include "ui/toolkit.h"

namespace ui {

// Why a run ends before an answer, after a toolkit has started.
enum class EarlyEnd {
    // The display (or window server) went away, or broke, before an answer.
    DisplayLost,
    // The window never came on screen within the deadline.
    WindowNeverAppeared,
    // The terminal hung up before an answer.
    TerminalLost,
};

// What the session bus, and the accessibility bus it names, answer.
struct BusAnswers {
    bool session = false;
    bool accessibility = false;
};

struct ToolkitHost {
    // Writes the line for `why` and ends the process with status 1 at once,
    // from any thread. Never returns.
    std::function<void(EarlyEnd why)> endRun;
    // SETUP_DIALOG_DEBUG=1: the toolkit's own messages may reach standard
    // error; otherwise they are kept off it.
    bool showToolkitMessages = false;
    // Linux: the display systems the platform probe found answering. A
    // toolkit starts only on one of these (X11 first, where a window can
    // keep itself on top), and names no other.
    bool x11Answers = false;
    bool waylandAnswers = false;
    // Linux: what the buses answer, from probes the program started beside
    // the display probes, so that they run while the toolkit loads; waits
    // for them, within their deadline. A toolkit that needs them asks while
    // it starts, by the time it says whether it can show windows: once a
    // toolkit is chosen the program ends the probes, and a later call
    // probes anew. Unset: the toolkit probes the buses itself.
    std::function<BusAnswers()> buses;
};

}  // namespace ui

// A window toolkit module's entry. It returns a new application (the
// program owns it and deletes it) or null when the toolkit cannot start
// here; it must not end the process or write to standard error either way.
#define SETUP_DIALOG_TOOLKIT_ENTRY "setup_dialog_toolkit_v1"
extern "C" {
using SetupDialogToolkitEntry = ui::Application* (*)(const ui::ToolkitHost& host);
}
