#include "ui/quiet_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace ui {

bool toolkitMessagesShown() {
    const char* debug = std::getenv("SETUP_DIALOG_DEBUG");
    return debug && std::strcmp(debug, "1") == 0;
}

int silenceToolkitOutput(bool keepCopy) {
    if (toolkitMessagesShown()) return STDERR_FILENO;
    const int copy = keepCopy ? fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3) : -1;
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, STDERR_FILENO);
        close(null);
    }
    return copy;
}

namespace {

// The descriptor of the running report, or -2 while there is none.
std::atomic<int> lostDisplayFd{-2};

void reportLostDisplay() { LostDisplayReport::displayWentAway(); }

}  // namespace

void LostDisplayReport::displayWentAway() {
    const int fd = lostDisplayFd.load();
    if (fd == -2) return;
    static const char line[] = "setup-dialog: lost the display before an answer\n";
    if (fd >= 0) {
        [[maybe_unused]] const auto written = write(fd, line, sizeof line - 1);
    }
    _exit(1);
}

LostDisplayReport::LostDisplayReport(int errorFd) {
    // Registered once, at the first report: handlers run last registered
    // first, so this one runs before the toolkit's own clean-up.
    static const bool registered = std::atexit(reportLostDisplay) == 0;
    (void)registered;
    lostDisplayFd = errorFd < 0 ? -1 : errorFd;
}

LostDisplayReport::~LostDisplayReport() { lostDisplayFd = -2; }

}  // namespace ui
