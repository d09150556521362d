#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/backend_choice.h"
#include "ui/tty/tty_text.h"

namespace {

using cli::Backend;

TEST(BackendChoice, WindowThenForegroundTerminalThenNone) {
    struct Case {
        bool display, opens, foreground;
        Backend want;
    } cases[] = {
        {true, true, true, Backend::Window},
        {true, false, false, Backend::Window},
        {false, true, true, Backend::Terminal},
        // A background job would be stopped at its first read of the terminal.
        {false, true, false, Backend::None},
        {false, false, false, Backend::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cli::chooseBackend({c.display, c.opens, c.foreground}), c.want)
            << c.display << c.opens << c.foreground;
    }
}

TEST(TerminalText, ControlCharactersFromTheParentCannotReachTheTerminal) {
    const std::string r = "\xEF\xBF\xBD";
    struct Case {
        std::string in;
        bool keepLineFeeds;
        std::string want;
    } cases[] = {
        {"Claude Desktop — é 日本", false, "Claude Desktop — é 日本"},
        {"\x1b]0;owned\x07x", false, r + "]0;owned" + r + "x"},
        {"a\rb\x7f", false, "a" + r + "b" + r},
        {"csi \xC2\x9B" "2J, nbsp \xC2\xA0", false, "csi " + r + "2J, nbsp \xC2\xA0"},
        {"stray \x9B" "2J \xC3", false, "stray " + r + "2J " + r},
        {"one\ntwo\tthree", true, "one\ntwo three"},
        {"one\ntwo", false, "one" + r + "two"},
        // Bidirectional controls would reorder what the user reads; the
        // separators would break the line. A joiner inside an emoji stays.
        {"abc\u202Egpj.exe", false, "abc" + r + "gpj.exe"},
        {"\u2066a\u2069 \u202A\u202D\u200E\u200F\u061C", false, r + "a" + r + " " + r + r + r + r + r},
        {"a\u2028b\u2029c", true, "a" + r + "b" + r + "c"},
        {"\U0001F469\u200D\U0001F4BB caf\u00E9", false, "\U0001F469\u200D\U0001F4BB caf\u00E9"},
    };
    for (const Case& c : cases) EXPECT_EQ(ui::tty::terminalSafe(c.in, c.keepLineFeeds), c.want) << c.in;
}

TEST(TerminalText, WrapsAtSpacesWithinTheWidthAndKeepsParagraphs) {
    using Lines = std::vector<std::string>;
    struct Case {
        std::string in;
        std::size_t width;
        Lines want;
    } cases[] = {
        {"Select the ones you'd like", 10, {"Select the", "ones you'd", "like"}},
        {"a\n\nb c", 3, {"a", "", "b c"}},
        {"dk_0123456789 x", 4, {"dk_0", "1234", "5678", "9 x"}},
        {"été été", 3, {"été", "été"}},
        {"  spaced   out  ", 20, {"spaced out"}},
        {"", 5, {""}},
        // Wide characters take two columns; one that no longer fits starts
        // the next line, even on a line narrower than itself.
        {"日本語のテキスト", 5, {"日本", "語の", "テキ", "スト"}},
        {"ab日 c", 3, {"ab", "日", "c"}},
        {"日本", 1, {"日", "本"}},
        {"\U0001F44D\U0001F44D ok", 4, {"\U0001F44D\U0001F44D", "ok"}},
        // A combining mark takes no column and stays with its letter.
        {"e\u0301e\u0301e\u0301 x", 2, {"e\u0301e\u0301", "e\u0301", "x"}},
        {"cafe\u0301 au lait", 7, {"cafe\u0301 au", "lait"}},
        {"\u0301 x", 5, {"\u0301 x"}},
        // What follows the last ": " stays on one line where it fits, so
        // that a command to copy is never cut in two; a sentence after a
        // colon (it ends in a full stop) wraps as any text.
        {"To try again later, run: orvex config set drift-enforcement default", 50,
         {"To try again later, run:", "orvex config set drift-enforcement default"}},
        {"again, run: orvex config set x", 20, {"again, run:", "orvex config set x"}},
        {"run: a b c d e f g h", 6, {"run: a", "b c d", "e f g", "h"}},
        {"Enrollment failed: the code has expired.", 24,
         {"Enrollment failed: the", "code has expired."}},
        {"a: b: c d", 4, {"a:", "b:", "c d"}},
    };
    for (const Case& c : cases) EXPECT_EQ(ui::tty::wrapText(c.in, c.width), c.want) << c.in;
}

// The columns a terminal gives text, whatever the parent's locale.
TEST(TerminalText, CountsColumnsAsATerminalDoes) {
    struct Case {
        std::string in;
        std::size_t columns;
    } cases[] = {
        {"Cursor", 6},
        {"日本語", 6},
        {"한국어", 6},
        {"ｆｕｌｌ", 8},                      // fullwidth forms
        {"\U0001F44D!", 3},                  // an emoji
        {"e\u0301\u0327", 1},               // combining marks
        {"\u1100\u1161\u11A8", 2},         // a syllable in conjoining jamo
        {"a\u200Bb\u00ADc", 4},             // a zero-width space; the soft hyphen shows
        {"\u0600\u4DC0\u3248", 5},         // a sign that shows; a hexagram, a circled number
        {"\U00020000\U0002FFFD", 4},        // ideographs, assigned or not
        {"x\xE9y", 3},                       // a malformed byte is shown as U+FFFD
    };
    for (const Case& c : cases) EXPECT_EQ(ui::tty::columnsOf(c.in), c.columns) << c.in;
}

TEST(LineEditor, EditsLikeATerminalAndReportsHowTheLineEnded) {
    using Outcome = ui::tty::LineEditor::Outcome;
    struct Case {
        std::string keys;
        Outcome ended;
        std::string line;
    } cases[] = {
        {"dk_12\x7f" "3\r", Outcome::Entered, "dk_13"},
        {"caf\xC3\xA9\x7f" "e\n", Outcome::Entered, "cafe"},
        {"one two\x17three\r", Outcome::Entered, "one three"},
        {"junk\x15ok\r", Outcome::Entered, "ok"},
        // Arrow keys and Alt+letter are swallowed whole.
        {"a\x1b[D\x1b[1;5Cb\x1bOPc\x1bxd\r", Outcome::Entered, "abcd"},
        // Text is kept as typed, whatever the echo shows of it; other
        // control keys edit nothing.
        {"a\tb\x01\x1a\r", Outcome::Entered, "a\tb"},
        {"dk_a\u2028b\xC2\x85\u200E\u202E\r", Outcome::Entered, "dk_a\u2028b\xC2\x85\u200E\u202E"},
        {std::string("a\0b\r", 4), Outcome::Entered, std::string("a\0b", 3)},
        // A malformed character is shown and kept as U+FFFD.
        {"x\xE9y\r", Outcome::Entered, "x\xEF\xBF\xBDy"},
        {"\x04", Outcome::EndOfInput, ""},
        {"half\x04", Outcome::Editing, "half"},
        {"half\x03", Outcome::Interrupted, "half"},
        // A control character inside a sequence ends it and counts, as on a
        // terminal; a whole sequence of any kind is dropped.
        {"ok\x1b\r", Outcome::Entered, "ok"},
        {"ok\x1b[\r", Outcome::Entered, "ok"},
        {"ok\x1b[1;\x03", Outcome::Interrupted, "ok"},
        {"\x1bO\x04", Outcome::EndOfInput, ""},
        {"x\x1b[2\x7fy\r", Outcome::Entered, "y"},
        {"a\x1b\x1b[Ab\x1b(Bc\x1b[200~d\x1b[201~\x1b[<0;12;5Me\r", Outcome::Entered, "abcde"},
        // Backspace erases a wide character, or a letter with its marks.
        {"日本\x7f\r", Outcome::Entered, "日"},
        {"ae\xCC\x81\xCC\xA7\x7f\r", Outcome::Entered, "a"},
    };
    for (const Case& c : cases) {
        ui::tty::LineEditor editor;
        Outcome outcome = Outcome::Editing;
        std::string echo;
        for (const char key : c.keys) {
            outcome = editor.feed(static_cast<unsigned char>(key), echo);
            if (outcome != Outcome::Editing) break;
        }
        EXPECT_EQ(outcome, c.ended) << c.keys;
        EXPECT_EQ(editor.line(), c.line) << c.keys;
        // The echo never carries a control byte but the erase sequence,
        // nor a character that reorders or breaks what the terminal shows.
        for (const char shown : echo) {
            EXPECT_TRUE(static_cast<unsigned char>(shown) >= 0x20 || shown == '\n' || shown == '\b')
                << c.keys;
        }
        for (const char* hidden : {"\u2028", "\xC2\x85", "\u200E", "\u202E"}) {
            EXPECT_EQ(echo.find(hidden), std::string::npos) << c.keys;
        }
    }
}

// What Backspace shows: the cursor goes back over the columns the erased
// character took, which are blanked.
TEST(LineEditor, BackspaceBlanksTheColumnsOfTheCharacter) {
    struct Case {
        std::string keys;
        std::string echo;
    } cases[] = {
        {"a\x7f", "a\b \b"},
        {"日\x7f", "日\b\b  \b\b"},
        {"e\xCC\x81\x7f", "e\xCC\x81\b \b"},
        // Kept as typed but shown as one column each: erased over one.
        {"\t\x7f", " \b \b"},
        {"\u200E\x7f", "\xEF\xBF\xBD\b \b"},
        {std::string("\0\x7f", 2), "\xEF\xBF\xBD\b \b"},
        {"\x7f", ""},
    };
    for (const Case& c : cases) {
        ui::tty::LineEditor editor;
        std::string echo;
        for (const char key : c.keys) editor.feed(static_cast<unsigned char>(key), echo);
        EXPECT_EQ(echo, c.echo) << c.keys;
    }
}

}  // namespace
