#include "ui/tty/tty_text.h"

#include "text/utf8.h"

namespace ui::tty {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Appends the first `columns` columns of `word` to `line` and returns the rest.
std::string_view splitAtColumns(std::string_view word, std::size_t columns, std::string& line) {
    std::size_t at = 0;
    for (std::size_t taken = 0; at < word.size() && taken < columns; ++taken) {
        const std::size_t length = utf8::sequenceLength(word, at);
        at += length ? length : 1;
    }
    line.append(word.substr(0, at));
    return word.substr(at);
}

void wrapParagraph(std::string_view paragraph, std::size_t width, std::vector<std::string>& lines) {
    std::string line;
    std::size_t lineColumns = 0;
    std::size_t start = 0;
    while (start <= paragraph.size()) {
        std::size_t end = paragraph.find(' ', start);
        if (end == std::string_view::npos) end = paragraph.size();
        std::string_view word = paragraph.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        std::size_t wordColumns = columnsOf(word);
        if (lineColumns > 0 && lineColumns + 1 + wordColumns <= width) {
            line += ' ';
            line.append(word);
            lineColumns += 1 + wordColumns;
            continue;
        }
        if (lineColumns > 0) lines.push_back(std::move(line));
        line.clear();
        // A word longer than a whole line is cut where the line ends.
        while (wordColumns > width) {
            word = splitAtColumns(word, width, line);
            lines.push_back(std::move(line));
            line.clear();
            wordColumns -= width;
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
        const std::size_t length = utf8::sequenceLength(text, at);
        const auto byte = static_cast<unsigned char>(text[at]);
        if (length == 0) {
            // A stray byte could be read as an 8-bit control by the terminal.
            safe.append(kReplacement);
            ++at;
            continue;
        }
        if (byte == '\n' && keepLineFeeds) {
            safe += '\n';
        } else if (byte == '\t') {
            safe += ' ';
        } else if (byte < 0x20 || byte == 0x7F ||
                   (byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0)) {
            safe.append(kReplacement);
        } else {
            safe.append(text.substr(at, length));
        }
        at += length;
    }
    return safe;
}

std::size_t columnsOf(std::string_view text) {
    std::size_t columns = 0;
    for (std::size_t at = 0; at < text.size(); ++columns) {
        const std::size_t length = utf8::sequenceLength(text, at);
        at += length ? length : 1;
    }
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

LineEditor::Outcome LineEditor::feed(unsigned char byte, std::string& echo) {
    switch (escape_) {
        case Escape::Started:
            escape_ = byte == '[' ? Escape::ControlSequence
                    : byte == 'O' ? Escape::SingleShift
                                  : Escape::None;
            return Outcome::Editing;
        case Escape::ControlSequence:
            if (byte >= 0x40 && byte <= 0x7E) escape_ = Escape::None;
            return Outcome::Editing;
        case Escape::SingleShift:
            escape_ = Escape::None;
            return Outcome::Editing;
        case Escape::None:
            break;
    }

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
    if (byte < 0x20) return Outcome::Editing;
    if (byte < 0x80) {
        line_ += static_cast<char>(byte);
        echo += static_cast<char>(byte);
        return Outcome::Editing;
    }
    pending_ += static_cast<char>(byte);
    const std::size_t wanted = utf8::declaredLength(static_cast<unsigned char>(pending_[0]));
    if (wanted == 0 || pending_.size() >= wanted) finishPending(echo);
    return Outcome::Editing;
}

// A character arrives over several bytes; it joins the line once whole. A
// malformed one becomes U+FFFD, as a window's text field would show it, so
// that the line is always well-formed UTF-8.
void LineEditor::finishPending(std::string& echo) {
    const bool whole = utf8::sequenceLength(pending_, 0) == pending_.size();
    const std::string character = whole ? terminalSafe(pending_) : std::string(kReplacement);
    line_ += character;
    echo += character;
    pending_.clear();
}

void LineEditor::eraseLastCharacter(std::string& echo) {
    if (line_.empty()) return;
    while (!line_.empty() && isContinuation(static_cast<unsigned char>(line_.back()))) {
        line_.pop_back();
    }
    if (!line_.empty()) line_.pop_back();
    echo += "\b \b";
}

}  // namespace ui::tty
