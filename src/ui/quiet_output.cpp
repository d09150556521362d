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

// The host of the running report, or null while there is none.
std::atomic<const ToolkitHost*> lostDisplayHost{nullptr};

void reportLostDisplay() { LostDisplayReport::displayWentAway(); }

}  // namespace

void LostDisplayReport::displayWentAway() {
    if (const ToolkitHost* host = lostDisplayHost.load()) host->endRun(EarlyEnd::DisplayLost);
}

LostDisplayReport::LostDisplayReport(const ToolkitHost& host) {
    // Registered once, at the first report: handlers run last registered
    // first, so this one runs before the toolkit's own clean-up.
    static const bool registered = std::atexit(reportLostDisplay) == 0;
    (void)registered;
    lostDisplayHost = &host;
}

LostDisplayReport::~LostDisplayReport() { lostDisplayHost = nullptr; }

namespace {

// The one deadline of the run: a thread that waits for the window, or for
// the end of the deadline object, whichever comes first.
struct Deadline {
    std::mutex mutex;
    std::condition_variable changed;
    bool over = false;  // shown, or the object ended
    const ToolkitHost* host = nullptr;
    std::thread waiter;
};
Deadline* deadline = nullptr;
std::mutex deadlineMutex;

void endTheRun(const ToolkitHost& host) { host.endRun(EarlyEnd::WindowNeverAppeared); }

void windowShownIn(Deadline* d) {
    {
        const std::lock_guard<std::mutex> lock(d->mutex);
        d->over = true;
    }
    d->changed.notify_all();
}

}  // namespace

WindowDeadline::WindowDeadline(const ToolkitHost& host, std::chrono::milliseconds limit) {
    const std::lock_guard<std::mutex> lock(deadlineMutex);
    if (deadline) return;
    deadline = new Deadline;
    Deadline* const d = deadline;
    d->host = &host;
    d->waiter = std::thread([d, limit] {
        std::unique_lock<std::mutex> wait(d->mutex);
        if (d->changed.wait_for(wait, limit, [d] { return d->over; })) return;
        endTheRun(*d->host);
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
    if (deadline) endTheRun(*deadline->host);
}

}  // namespace ui
