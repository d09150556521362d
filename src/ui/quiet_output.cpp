#include "ui/quiet_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

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

const char WindowDeadline::kLine[] =
    "setup-dialog: no display: cannot show the dialog (the window did not appear)\n";

namespace {

// The one deadline of the run: a thread that waits for the window, or for
// the end of the deadline object, whichever comes first.
struct Deadline {
    std::mutex mutex;
    std::condition_variable changed;
    bool over = false;  // shown, or the object ended
    int errorFd = -1;
    std::thread waiter;
};
Deadline* deadline = nullptr;
std::mutex deadlineMutex;

[[noreturn]] void endTheRun(int errorFd) {
    if (errorFd >= 0) {
        [[maybe_unused]] const auto written =
            write(errorFd, WindowDeadline::kLine, sizeof WindowDeadline::kLine - 1);
    }
    _exit(1);
}

void windowShownIn(Deadline* d) {
    {
        const std::lock_guard<std::mutex> lock(d->mutex);
        d->over = true;
    }
    d->changed.notify_all();
}

}  // namespace

WindowDeadline::WindowDeadline(int errorFd, std::chrono::milliseconds limit) {
    const std::lock_guard<std::mutex> lock(deadlineMutex);
    if (deadline) return;
    deadline = new Deadline;
    Deadline* const d = deadline;
    d->errorFd = errorFd;
    d->waiter = std::thread([d, limit] {
        std::unique_lock<std::mutex> wait(d->mutex);
        if (d->changed.wait_for(wait, limit, [d] { return d->over; })) return;
        endTheRun(d->errorFd);
    });
}

WindowDeadline::~WindowDeadline() {
    Deadline* d = nullptr;
    {
        const std::lock_guard<std::mutex> lock(deadlineMutex);
        std::swap(d, deadline);
    }
    if (!d) return;
    windowShownIn(d);
    d->waiter.join();
    delete d;
}

void WindowDeadline::windowShown() {
    const std::lock_guard<std::mutex> lock(deadlineMutex);
    if (deadline) windowShownIn(deadline);
}

void WindowDeadline::windowCannotAppear() {
    const std::lock_guard<std::mutex> lock(deadlineMutex);
    if (deadline) endTheRun(deadline->errorFd);
}

}  // namespace ui
