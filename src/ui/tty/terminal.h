// The controlling terminal, talked to line by line. Nothing here touches
// standard input, output or error: those belong to the parent.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "ui/tty/tty_text.h"

namespace ui::tty {

// Opens the process's controlling terminal for reading and writing; -1 when
// there is none.
int openControllingTerminal();

class Terminal {
public:
    // Takes over the descriptor, which it closes.
    explicit Terminal(int fd);
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    void write(std::string_view text);
    // The width of the terminal in columns.
    std::size_t columns() const;
    // Shows the prompt and reads one typed line. None when the user dismissed
    // it (Ctrl-C, or Ctrl-D on an empty line) or the terminal went away. The
    // terminal is back in its own mode when this returns.
    std::optional<std::string> readLine(std::string_view prompt);

private:
    bool fill();

    int fd_;
    // Bytes read but not yet edited: a paste of several lines answers several
    // prompts.
    std::string unread_;
    LineEditor editor_;
};

}  // namespace ui::tty
