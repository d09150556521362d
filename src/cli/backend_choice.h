// Which backend asks the question: a window where one can be shown, else the
// terminal the program was started from, else none.
#pragma once

namespace cli {

enum class Backend { Window, Terminal, None };

// What the run found around it.
struct Surroundings {
    // A display (or window server) that the window toolkit can open.
    bool displayUsable = false;
    // A controlling terminal that opens for reading and writing.
    bool terminalOpens = false;
    // Whether this process is in the terminal's foreground: a background
    // process that reads it is stopped until someone brings it forward.
    bool terminalInForeground = false;
};

// What the run finds: whether the window toolkit can open a display, and the
// controlling terminal open on terminalFd (-1 when there is none).
Surroundings surroundingsOf(bool displayUsable, int terminalFd);

Backend chooseBackend(const Surroundings& surroundings);

}  // namespace cli
