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
    };
    for (const Case& c : cases) EXPECT_EQ(ui::tty::wrapText(c.in, c.width), c.want) << c.in;
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
        {"a\tb\x01\x1a\r", Outcome::Entered, "ab"},
        // A malformed character is shown and kept as U+FFFD.
        {"x\xE9y\r", Outcome::Entered, "x\xEF\xBF\xBDy"},
        {"\x04", Outcome::EndOfInput, ""},
        {"half\x04", Outcome::Editing, "half"},
        {"half\x03", Outcome::Interrupted, "half"},
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
        // The echo never carries a control byte but the erase sequence.
        for (const char shown : echo) {
            EXPECT_TRUE(static_cast<unsigned char>(shown) >= 0x20 || shown == '\n' || shown == '\b')
                << c.keys;
        }
    }
}

}  // namespace
