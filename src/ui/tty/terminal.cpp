#include "ui/tty/terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iterator>

namespace ui::tty {

namespace {

// How long an Escape waits for the rest of a key's sequence before it counts
// as the Escape key: long enough for a sequence cut in two by a slow link.
constexpr int kEscapeWaitMs = 250;

// What the signal handlers need. Set before they are installed; they only
// read it.
int handlerFd = -1;
int handlerWake = -1;
termios handlerOwnMode;
termios handlerQuestionMode;
volatile std::sig_atomic_t inQuestionMode = 0;
volatile std::sig_atomic_t hungUp = 0;
volatile std::sig_atomic_t resumed = 0;

void wake() {
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(handlerWake, &byte, 1);
}

void reenterQuestionMode() {
    if (!inQuestionMode) return;
    tcsetattr(handlerFd, TCSANOW, &handlerQuestionMode);
    resumed = 1;
    wake();
}

// A hang-up means nobody is left to answer: the wait for a key ends, and
// the question with it, without a record.
void onHangUp(int) {
    const int savedErrno = errno;
    hungUp = 1;
    wake();
    errno = savedErrno;
}

void onTerminate(int signal) {
    if (inQuestionMode) tcsetattr(handlerFd, TCSANOW, &handlerOwnMode);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void onContinue(int) {
    const int savedErrno = errno;
    reenterQuestionMode();
    errno = savedErrno;
}

struct sigaction stopAction;

// Stopped (kill -TSTP), the process leaves the terminal as it found it to
// the shell; continued, it takes it back and shows the prompt again. Where
// the stop is refused (an orphaned process group), it takes it back at once.
void onStop(int) {
    const int savedErrno = errno;
    if (inQuestionMode) tcsetattr(handlerFd, TCSANOW, &handlerOwnMode);
    struct sigaction stop {};
    stop.sa_handler = SIG_DFL;
    sigaction(SIGTSTP, &stop, nullptr);
    sigset_t stopOnly;
    sigemptyset(&stopOnly);
    sigaddset(&stopOnly, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stopOnly, nullptr);
    kill(getpid(), SIGTSTP);
    sigprocmask(SIG_BLOCK, &stopOnly, nullptr);
    sigaction(SIGTSTP, &stopAction, nullptr);
    reenterQuestionMode();
    errno = savedErrno;
}

struct Handled {
    int signal;
    void (*handler)(int);
};
// Every signal whose default ends the process gives the terminal back first,
// except the faults: a crash is left to its own report.
constexpr Handled kHandled[] = {
    {SIGHUP, onHangUp},       {SIGTSTP, onStop},        {SIGCONT, onContinue},
    {SIGINT, onTerminate},    {SIGQUIT, onTerminate},   {SIGTERM, onTerminate},
    {SIGUSR1, onTerminate},   {SIGUSR2, onTerminate},   {SIGALRM, onTerminate},
    {SIGVTALRM, onTerminate}, {SIGPROF, onTerminate},   {SIGXCPU, onTerminate},
    {SIGXFSZ, onTerminate},   {SIGPIPE, onTerminate},
};
struct sigaction previousActions[std::size(kHandled)];
bool installed[std::size(kHandled)];

sigset_t handledSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const Handled& h : kHandled) sigaddset(&set, h.signal);
    return set;
}

// A signal the parent left ignored stays ignored: under nohup a hang-up then
// reads as the end of the input. Continuing always redraws the prompt.
void installHandlers() {
    for (std::size_t i = 0; i < std::size(kHandled); ++i) {
        installed[i] = false;
        sigaction(kHandled[i].signal, nullptr, &previousActions[i]);
        if (previousActions[i].sa_handler == SIG_IGN && kHandled[i].signal != SIGCONT) continue;
        struct sigaction action {};
        action.sa_handler = kHandled[i].handler;
        // No SA_RESTART: a wait for a key wakes up to act on the signal.
        action.sa_mask = handledSignals();
        if (kHandled[i].signal == SIGTSTP) stopAction = action;
        sigaction(kHandled[i].signal, &action, nullptr);
        installed[i] = true;
    }
}

void restoreHandlers() {
    for (std::size_t i = 0; i < std::size(kHandled); ++i) {
        if (installed[i]) sigaction(kHandled[i].signal, &previousActions[i], nullptr);
        installed[i] = false;
    }
}

}  // namespace

int openControllingTerminal() { return open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC); }

Terminal::Terminal(int fd, std::function<void()> lost) : fd_(fd), lost_(std::move(lost)) {}

Terminal::~Terminal() {
    leaveQuestionMode();
    if (fd_ >= 0) close(fd_);
}

void Terminal::leaveQuestionMode() {
    if (wakeRead_ < 0) return;
    // No handler may act on the terminal between the two steps.
    const sigset_t handled = handledSignals();
    sigset_t previousMask;
    sigprocmask(SIG_BLOCK, &handled, &previousMask);
    tcsetattr(fd_, TCSANOW, &ownMode_);
    inQuestionMode = 0;
    restoreHandlers();
    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    close(wakeRead_);
    close(wakeWrite_);
    wakeRead_ = wakeWrite_ = -1;
}

void Terminal::enterQuestionMode() {
    if (inQuestionMode_) return;
    inQuestionMode_ = true;
    if (tcgetattr(fd_, &ownMode_) != 0) return;
    int wakePipe[2];
    if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    wakeRead_ = wakePipe[0];
    wakeWrite_ = wakePipe[1];
    // The program echoes and edits itself, and Ctrl-C, Ctrl-\ and Ctrl-Z
    // arrive as keys: Ctrl-C dismisses this question rather than stopping the
    // parent that waits for the answer.
    termios question = ownMode_;
    question.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    question.c_cc[VMIN] = 1;
    question.c_cc[VTIME] = 0;
    handlerFd = fd_;
    handlerWake = wakeWrite_;
    handlerOwnMode = ownMode_;
    handlerQuestionMode = question;
    hungUp = 0;
    resumed = 0;
    inQuestionMode = 1;
    installHandlers();
    tcsetattr(fd_, TCSANOW, &question);
}

void Terminal::write(std::string_view text) {
    enterQuestionMode();
    while (!text.empty()) {
        const ssize_t written = ::write(fd_, text.data(), text.size());
        if (written < 0 && errno == EINTR && !hungUp) continue;
        if (written <= 0) return;  // the terminal is gone; the next read says so
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::size_t Terminal::columns() const {
    winsize size{};
    if (ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

Terminal::Wait Terminal::waitForInput(int timeoutMs) {
    for (;;) {
        if (hungUp) return Wait::Gone;
        if (resumed) {
            resumed = 0;
            write("\n" + prompt_ + terminalSafe(editor_.line()));
        }
        pollfd ready[] = {{fd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int count = poll(ready, wakeRead_ >= 0 ? 2 : 1, timeoutMs);
        if (count == 0) return Wait::Quiet;
        if (count < 0) {
            if (errno == EINTR) continue;
            return Wait::Gone;
        }
        if (ready[1].revents != 0) {
            char drained[64];
            while (read(wakeRead_, drained, sizeof drained) > 0) {
            }
        }
        if (ready[0].revents != 0) return Wait::Input;
    }
}

bool Terminal::fill() {
    char buffer[256];
    for (;;) {
        const ssize_t count = read(fd_, buffer, sizeof buffer);
        if (count > 0) {
            unread_.append(buffer, static_cast<std::size_t>(count));
            return true;
        }
        if (count < 0 && errno == EINTR && !hungUp) continue;
        return false;  // end of input, or the terminal hung up
    }
}

Terminal::Reply Terminal::readLine(std::string_view prompt, bool escapeEnds) {
    enterQuestionMode();
    if (!prompted_) {
        // Keys pressed before the question showed were meant for something
        // else (the shell, the question before): they must not answer it.
        prompted_ = true;
        while (tcdrain(fd_) != 0 && errno == EINTR && !hungUp) {
        }
        tcflush(fd_, TCIFLUSH);
    }
    prompt_ = prompt;
    resumed = 0;
    write(prompt);
    editor_.clear();
    for (;;) {
        while (!unread_.empty()) {
            const auto byte = static_cast<unsigned char>(unread_.front());
            unread_.erase(0, 1);
            std::string echo;
            const LineEditor::Outcome outcome = editor_.feed(byte, echo);
            write(echo);
            switch (outcome) {
                case LineEditor::Outcome::Editing: break;
                case LineEditor::Outcome::Entered: return {Ending::Entered, editor_.line()};
                case LineEditor::Outcome::Interrupted:
                case LineEditor::Outcome::EndOfInput: return {Ending::Closed, {}};
            }
        }
        const Wait wait = waitForInput(editor_.awaitsEscapeKey() ? kEscapeWaitMs : -1);
        if (wait == Wait::Quiet) {
            editor_.dropEscape();
            if (escapeEnds) {
                write("\n");
                return {Ending::Escape, {}};
            }
        } else if (wait == Wait::Gone || !fill()) {
            // In the question's mode read() waits for a key: nothing at all
            // means the line is gone, and nobody answered.
            if (lost_) {
                leaveQuestionMode();
                lost_();
            }
            write("\n");
            return {Ending::Closed, {}};
        }
    }
}

}  // namespace ui::tty
