// The controlling terminal, talked to line by line. Nothing here touches
// standard input, output or error: those belong to the parent.
#pragma once

#include <termios.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "ui/tty/tty_text.h"

namespace ui::tty {

// Opens the process's controlling terminal for reading and writing; -1 when
// there is none.
int openControllingTerminal();

// From its first output to its end, the terminal is in the question's own
// mode: the program reads every key and echoes itself, and the terminal's
// signal keys are plain keys, so no key reaches the parent waiting for the
// answer, not even while a long list is drawn. The mode it had comes back
// at the end, when the process is stopped, and before a signal ends it.
class Terminal {
public:
    // Takes over the descriptor, which it closes. `lost` is called when the
    // terminal goes away before a line ends (a hang-up: read() gives
    // nothing or fails, or SIGHUP), once the terminal has its own mode
    // back; it ends the run. Without it such a line ends as Closed.
    explicit Terminal(int fd, std::function<void()> lost = {});
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    void write(std::string_view text);
    // The width of the terminal in columns.
    std::size_t columns() const;

    enum class Ending {
        Entered,
        // Ctrl-C, or Ctrl-D on an empty line.
        Closed,
        // The Escape key alone, where the caller asked for it.
        Escape,
    };
    struct Reply {
        Ending ending;
        std::string line;
    };
    // Shows the prompt and reads one typed line. A lone Escape ends the line
    // only when `escapeEnds`; otherwise it is ignored.
    Reply readLine(std::string_view prompt, bool escapeEnds);

private:
    enum class Wait { Input, Quiet, Gone };
    void enterQuestionMode();
    void leaveQuestionMode();
    Wait waitForInput(int timeoutMs);
    bool fill();

    int fd_;
    std::function<void()> lost_;
    // Woken by the signal handlers, so that a wait for a key notices them.
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    bool inQuestionMode_ = false;
    bool prompted_ = false;
    termios ownMode_{};
    // Bytes read but not yet edited: a paste of several lines answers several
    // prompts.
    std::string unread_;
    std::string prompt_;
    LineEditor editor_;
};

}  // namespace ui::tty
