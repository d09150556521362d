#include "ui/tty/tty_text.h"

#include <algorithm>

#include "text/utf8.h"
#include "ui/tty/char_width.h"

namespace ui::tty {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// A malformed byte is shown as U+FFFD, one column.
std::size_t columnsAt(std::string_view text, std::size_t& at) {
    const char32_t character = utf8::decodeAt(text, at);
    return character == utf8::kNotACodePoint ? 1 : characterColumns(character);
}

// Characters that make a terminal reorder or break the line it shows: the
// bidirectional controls and the line and paragraph separators.
bool reordersText(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029;
}

// Appends at most the first `columns` columns of `word` to `line` and returns
// the rest. A character is never parted from the marks that combine with it,
// and the first one is taken even where it is wider than the line.
std::string_view splitAtColumns(std::string_view word, std::size_t columns, std::string& line) {
    std::size_t at = 0;
    for (std::size_t taken = 0; at < word.size();) {
        std::size_t next = at;
        const std::size_t width = columnsAt(word, next);
        if (width > 0 && taken > 0 && taken + width > columns) break;
        taken += width;
        at = next;
    }
    line.append(word.substr(0, at));
    return word.substr(at);
}

// The words of a paragraph, split at spaces. What follows its last ": " is
// one word where it fits the width and ends no sentence: a command or a
// value to copy, which must not be cut in two.
std::vector<std::string_view> wordsOf(std::string_view paragraph, std::size_t width) {
    std::string_view whole;
    if (const std::size_t colon = paragraph.rfind(": "); colon != std::string_view::npos) {
        std::string_view tail = paragraph.substr(colon + 2);
        tail.remove_prefix(std::min(tail.find_first_not_of(' '), tail.size()));
        tail.remove_suffix(tail.size() - std::min(tail.find_last_not_of(' ') + 1, tail.size()));
        if (tail.find(' ') != std::string_view::npos && tail.find_last_of(".!?") != tail.size() - 1 &&
            columnsOf(tail) <= width) {
            whole = tail;
            paragraph = paragraph.substr(0, colon + 1);
        }
    }
    std::vector<std::string_view> words;
    for (std::size_t start = 0; start < paragraph.size();) {
        std::size_t end = paragraph.find(' ', start);
        if (end == std::string_view::npos) end = paragraph.size();
        if (end > start) words.push_back(paragraph.substr(start, end - start));
        start = end + 1;
    }
    if (!whole.empty()) words.push_back(whole);
    return words;
}

void wrapParagraph(std::string_view paragraph, std::size_t width, std::vector<std::string>& lines) {
    std::string line;
    std::size_t lineColumns = 0;
    for (std::string_view word : wordsOf(paragraph, width)) {
        std::size_t wordColumns = columnsOf(word);
        if (!line.empty() && lineColumns + 1 + wordColumns <= width) {
            line += ' ';
            line.append(word);
            lineColumns += 1 + wordColumns;
            continue;
        }
        if (!line.empty()) lines.push_back(std::move(line));
        line.clear();
        // A word longer than a whole line is cut where the line ends.
        while (wordColumns > width) {
            std::string piece;
            const std::string_view rest = splitAtColumns(word, width, piece);
            if (rest.empty()) break;  // one character wider than the line
            lines.push_back(std::move(piece));
            word = rest;
            wordColumns = columnsOf(word);
        }
        line.append(word);
        lineColumns = wordColumns;
    }
    lines.push_back(std::move(line));
}

}  // namespace

std::string terminalSafe(std::string_view text, bool keepLineFeeds) {
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const char32_t character = utf8::decodeAt(text, at);
        if (character == '\n' && keepLineFeeds) {
            safe += '\n';
        } else if (character == '\t') {
            safe += ' ';
        } else if (character < 0x20 || (character >= 0x7F && character < 0xA0) ||
                   reordersText(character) || character == utf8::kNotACodePoint) {
            // A stray byte could be read as an 8-bit control by the terminal.
            safe.append(kReplacement);
        } else {
            safe.append(text.substr(start, at - start));
        }
    }
    return safe;
}

std::size_t columnsOf(std::string_view text) {
    std::size_t columns = 0;
    for (std::size_t at = 0; at < text.size();) columns += columnsAt(text, at);
    return columns;
}

std::vector<std::string> wrapText(std::string_view text, std::size_t width) {
    if (width == 0) width = 1;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        wrapParagraph(text.substr(start, end == std::string_view::npos ? end : end - start), width,
                      lines);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

// Takes a byte inside an escape sequence; false when the byte is not part
// of it. A sequence holds only printable ASCII: a control character (a
// terminal acts on it and goes on) or anything else ends it unfinished.
bool LineEditor::continueEscape(unsigned char byte) {
    if (byte < 0x20 || byte >= 0x7F) {
        escape_ = Escape::None;
        return false;
    }
    switch (escape_) {
        case Escape::Started:
            escape_ = byte == '['  ? Escape::ControlSequence
                    : byte == 'O'  ? Escape::SingleShift
                    : byte < 0x30  ? Escape::Intermediate
                                   : Escape::None;  // Alt with a key
            break;
        case Escape::Intermediate:
            if (byte >= 0x30) escape_ = Escape::None;
            break;
        case Escape::ControlSequence:
            if (byte >= 0x40) escape_ = Escape::None;
            break;
        case Escape::SingleShift:
        case Escape::None:
            escape_ = Escape::None;
            break;
    }
    return true;
}

LineEditor::Outcome LineEditor::feed(unsigned char byte, std::string& echo) {
    if (escape_ != Escape::None && continueEscape(byte)) return Outcome::Editing;

    if (!pending_.empty() && (byte < 0x80 || !isContinuation(byte))) finishPending(echo);

    switch (byte) {
        case 0x1B: escape_ = Escape::Started; return Outcome::Editing;
        case '\r':
        case '\n': echo += '\n'; return Outcome::Entered;
        case 0x03: echo += "^C\n"; return Outcome::Interrupted;
        case 0x04:
            if (!line_.empty()) return Outcome::Editing;
            echo += '\n';
            return Outcome::EndOfInput;
        case 0x7F:
        case 0x08: eraseLastCharacter(echo); return Outcome::Editing;
        case 0x15:
            while (!line_.empty()) eraseLastCharacter(echo);
            return Outcome::Editing;
        case 0x17:
            while (!line_.empty() && line_.back() == ' ') eraseLastCharacter(echo);
            while (!line_.empty() && line_.back() != ' ') eraseLastCharacter(echo);
            return Outcome::Editing;
        default: break;
    }
    // A tab or a NUL (pasted, or Ctrl-Space) is text as a window's field
    // takes it; the other control keys edit nothing.
    if (byte < 0x20 && byte != '\t' && byte != '\0') return Outcome::Editing;
    if (byte < 0x80) {
        line_ += static_cast<char>(byte);
        echo += terminalSafe(std::string_view(line_).substr(line_.size() - 1));
        return Outcome::Editing;
    }
    pending_ += static_cast<char>(byte);
    const std::size_t wanted = utf8::declaredLength(static_cast<unsigned char>(pending_[0]));
    if (wanted == 0 || pending_.size() >= wanted) finishPending(echo);
    return Outcome::Editing;
}

// A character arrives over several bytes; it joins the line once whole, as
// typed: only its echo is made safe to show. A malformed one becomes U+FFFD,
// as a window's text field would show it, so that the line is always
// well-formed UTF-8.
void LineEditor::finishPending(std::string& echo) {
    const bool whole = utf8::sequenceLength(pending_, 0) == pending_.size();
    line_ += whole ? pending_ : std::string(kReplacement);
    echo += terminalSafe(whole ? pending_ : std::string(kReplacement));
    pending_.clear();
}

// Erases the last character with the marks combined with it, over as many
// columns as its echo took.
void LineEditor::eraseLastCharacter(std::string& echo) {
    std::size_t columns = 0;
    while (!line_.empty() && columns == 0) {
        std::size_t start = line_.size() - 1;
        while (start > 0 && isContinuation(static_cast<unsigned char>(line_[start]))) --start;
        columns = columnsOf(terminalSafe(std::string_view(line_).substr(start)));
        line_.erase(start);
    }
    echo += std::string(columns, '\b') + std::string(columns, ' ') + std::string(columns, '\b');
}

}  // namespace ui::tty
