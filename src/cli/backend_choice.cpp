#include "cli/backend_choice.h"

#include <termios.h>
#include <unistd.h>

namespace cli {

Surroundings surroundingsOf(bool displayUsable, int terminalFd) {
    Surroundings surroundings;
    surroundings.displayUsable = displayUsable;
    surroundings.terminalOpens = terminalFd >= 0;
    termios mode;
    surroundings.terminalInForeground = terminalFd >= 0 && tcgetattr(terminalFd, &mode) == 0 &&
                                        tcgetpgrp(terminalFd) == getpgrp();
    return surroundings;
}

Backend chooseBackend(const Surroundings& surroundings) {
    if (surroundings.displayUsable) return Backend::Window;
    // A stopped helper would hang the parent waiting for its answer; better
    // the "no display" line at once.
    if (surroundings.terminalOpens && surroundings.terminalInForeground) return Backend::Terminal;
    return Backend::None;
}

}  // namespace cli
