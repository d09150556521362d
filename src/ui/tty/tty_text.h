// Text handling for the terminal backend: what may be shown on a terminal,
// wrapping to its width, and the editing of one typed line. Pure functions
// of their input, so that they are tested without a terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ui::tty {

// The text with every control character (C0, DEL, C1) replaced by U+FFFD, so
// that names and messages from the parent can never drive the terminal
// (move the cursor, retitle the window, change colours). Line feeds are kept
// when asked for; a tab becomes a space.
std::string terminalSafe(std::string_view text, bool keepLineFeeds = false);

// The columns the text takes on a terminal (see characterColumns).
std::size_t columnsOf(std::string_view text);

// The text broken into lines of at most `width` columns: at spaces where it
// can, inside a word longer than a line where it must, and at every line
// feed. Spaces at a break are dropped; an empty paragraph stays an empty line.
// What follows a paragraph's last ": " is kept on one line where it fits,
// unless it ends a sentence: a command to copy is never cut in two.
std::vector<std::string> wrapText(std::string_view text, std::size_t width);

// The editing of one typed line, byte by byte, with the keys of a terminal's
// own line editing: Backspace, Ctrl-U, Ctrl-W, Enter; Ctrl-C interrupts and
// Ctrl-D on an empty line ends the input. Escape sequences (cursor and
// function keys, Alt with a key) are dropped whole; a control character
// inside one ends it and counts, as it does on a terminal. Tab and NUL are
// text; other control characters are ignored. The line holds what was
// typed; only the echo is made safe to show (see terminalSafe).
class LineEditor {
public:
    enum class Outcome { Editing, Entered, Interrupted, EndOfInput };

    // Takes one byte; appends to `echo` what the terminal should show.
    Outcome feed(unsigned char byte, std::string& echo);
    // Whether the last byte was an Escape that nothing followed yet: if
    // nothing does for a moment, it was the Escape key.
    bool awaitsEscapeKey() const { return escape_ == Escape::Started; }
    void dropEscape() { escape_ = Escape::None; }

    const std::string& line() const { return line_; }
    void clear() {
        line_.clear();
        pending_.clear();
        escape_ = Escape::None;
    }

private:
    // Where in an escape sequence the input is: after ESC, among the
    // intermediates of a two-character one, inside a control sequence
    // (ESC [), or before the one character of a single shift (ESC O).
    enum class Escape { None, Started, Intermediate, ControlSequence, SingleShift };
    bool continueEscape(unsigned char byte);
    void eraseLastCharacter(std::string& echo);
    void finishPending(std::string& echo);

    std::string line_;
    std::string pending_;  // the first bytes of a character not yet whole
    Escape escape_ = Escape::None;
};

}  // namespace ui::tty
