// Keeps a window toolkit's own messages (and those of the libraries under
// it) off standard error, which a run that shows a dialog keeps silent. The
// program's own error lines go through a copy made before (see main).
#pragma once

#include <chrono>

namespace ui {

// SETUP_DIALOG_DEBUG=1 asks to see the toolkit's messages.
bool toolkitMessagesShown();

// Unless the toolkit's messages are shown, points descriptor 2 at /dev/null.
// Returns where a last fatal line can still reach standard error: a copy of
// the old descriptor when keepCopy is set (else -1), or descriptor 2 itself
// when the messages are shown.
int silenceToolkitOutput(bool keepCopy);

// A toolkit ends the process itself when its display goes away (Qt exits as
// its connection breaks), with its own words silenced. While an instance
// lives, an exit of the process is that: it writes one line on `errorFd`
// and ends at once with status 1, before the half-torn toolkit is destroyed.
class LostDisplayReport {
public:
    explicit LostDisplayReport(int errorFd);
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
// `limit` to appear; else one line goes to `errorFd` and the process ends
// at once with status 1.
class WindowDeadline {
public:
    static constexpr std::chrono::seconds kLimit{10};
    // The line, whose first words parents match like the other no-display
    // lines.
    static const char kLine[];

    WindowDeadline(int errorFd, std::chrono::milliseconds limit = kLimit);
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
