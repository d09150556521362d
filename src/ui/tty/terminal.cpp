#include "ui/tty/terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iterator>

namespace ui::tty {

namespace {

// How long a lone Escape waits for the rest of a key's sequence.
constexpr int kEscapeWaitMs = 40;

// What a signal handler needs to put the terminal back before the process
// ends: a line read turns the terminal's own editing and signal keys off.
int restoreFd = -1;
termios restoreMode;
volatile std::sig_atomic_t restorePending = 0;

constexpr int kFatalSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
struct sigaction previousActions[std::size(kFatalSignals)];

void restoreAndDie(int signal) {
    if (restorePending) tcsetattr(restoreFd, TCSANOW, &restoreMode);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Raw character input for the length of one line: the program echoes and
// edits itself, and Ctrl-C arrives as a key, so that it dismisses this
// question rather than stopping the parent that waits for the answer.
class CharacterMode {
public:
    explicit CharacterMode(int fd) : fd_(fd) {
        if (tcgetattr(fd, &saved_) != 0) return;
        termios raw = saved_;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        restoreFd = fd;
        restoreMode = saved_;
        restorePending = 1;
        struct sigaction action {};
        action.sa_handler = restoreAndDie;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) {
            sigaction(kFatalSignals[i], &action, &previousActions[i]);
        }
        // Typed-ahead input stays: a fast typist or a paste loses nothing.
        tcsetattr(fd, TCSANOW, &raw);
    }

    ~CharacterMode() {
        if (!restorePending) return;
        tcsetattr(fd_, TCSANOW, &saved_);
        restorePending = 0;
        for (std::size_t i = 0; i < std::size(kFatalSignals); ++i) {
            sigaction(kFatalSignals[i], &previousActions[i], nullptr);
        }
    }

    CharacterMode(const CharacterMode&) = delete;
    CharacterMode& operator=(const CharacterMode&) = delete;

private:
    int fd_;
    termios saved_{};
};

}  // namespace

int openControllingTerminal() { return open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC); }

Terminal::Terminal(int fd) : fd_(fd) {}

Terminal::~Terminal() {
    if (fd_ >= 0) close(fd_);
}

void Terminal::write(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd_, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;  // the terminal is gone; the next read says so
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::size_t Terminal::columns() const {
    winsize size{};
    if (ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

bool Terminal::fill() {
    char buffer[256];
    for (;;) {
        const ssize_t count = read(fd_, buffer, sizeof buffer);
        if (count > 0) {
            unread_.append(buffer, static_cast<std::size_t>(count));
            return true;
        }
        if (count < 0 && errno == EINTR) continue;
        return false;  // end of input, or the terminal hung up
    }
}

std::optional<std::string> Terminal::readLine(std::string_view prompt) {
    const CharacterMode mode(fd_);
    write(prompt);
    editor_.clear();
    for (;;) {
        if (unread_.empty() && !fill()) {
            write("\n");
            return std::nullopt;
        }
        const auto byte = static_cast<unsigned char>(unread_.front());
        unread_.erase(0, 1);
        std::string echo;
        const LineEditor::Outcome outcome = editor_.feed(byte, echo);
        write(echo);
        if (editor_.inEscape() && unread_.empty()) {
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, kEscapeWaitMs) <= 0) editor_.endEscape();
        }
        switch (outcome) {
            case LineEditor::Outcome::Editing: break;
            case LineEditor::Outcome::Entered: return editor_.line();
            case LineEditor::Outcome::Interrupted:
            case LineEditor::Outcome::EndOfInput: return std::nullopt;
        }
    }
}

}  // namespace ui::tty
