// Keeps a window toolkit's own messages (and those of the libraries under
// it) off standard error, which a run that shows a dialog keeps silent, and
// turns the ways a toolkit ends a run early into the host's endRun. The
// program's own error lines go through a copy made before (see main).
#pragma once

#include <chrono>

#include "ui/toolkit_host.h"

namespace ui {

// SETUP_DIALOG_DEBUG=1 asks to see the toolkit's messages.
bool toolkitMessagesShown();

// Unless the toolkit's messages are shown, points descriptor 2 at /dev/null.
// The program does it once, in main, before any toolkit starts. Returns a
// copy of the old descriptor when keepCopy is set (else -1), or descriptor
// 2 itself when the messages are shown.
int silenceToolkitOutput(bool keepCopy);

// A toolkit ends the process itself when its display goes away (Qt exits as
// its connection breaks), with its own words silenced. While an instance
// lives, an exit of the process is that: the host's endRun says so
// (EarlyEnd::DisplayLost) and ends the run, before the half-torn toolkit is
// destroyed. The host must outlive the instance.
class LostDisplayReport {
public:
    explicit LostDisplayReport(const ToolkitHost& host);
    ~LostDisplayReport();

    // For a toolkit that says its display broke and then ends the process
    // without running the exit handlers: reports it now, while an instance
    // lives (and then never returns).
    static void displayWentAway();
    LostDisplayReport(const LostDisplayReport&) = delete;
    LostDisplayReport& operator=(const LostDisplayReport&) = delete;
};

// A toolkit that never shows its window (a setting it cannot draw with, a
// compositor that never maps the window) would leave the parent waiting
// forever with nothing said. While an instance lives, the first window has
// `limit` to appear; else the host's endRun ends the run
// (EarlyEnd::WindowNeverAppeared). The host must outlive the instance.
class WindowDeadline {
public:
    static constexpr std::chrono::seconds kLimit{10};

    explicit WindowDeadline(const ToolkitHost& host, std::chrono::milliseconds limit = kLimit);
    ~WindowDeadline();
    WindowDeadline(const WindowDeadline&) = delete;
    WindowDeadline& operator=(const WindowDeadline&) = delete;

    // A window of the run is on screen: the deadline no longer applies.
    static void windowShown();
    // The toolkit said that no window of this run can ever appear: the
    // deadline ends the run now (while an instance lives, else nothing).
    static void windowCannotAppear();
};

}  // namespace ui
