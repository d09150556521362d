#include "ui/display_text.h"

#include <gtest/gtest.h>

#include <string>

namespace ui {
namespace {

const std::string kMark = "\xE2\x86\xB5";  // U+21B5
const std::string kFFFD = "\xEF\xBF\xBD";

// A name shows on one line: each line break inside it is one visible mark
// (a CR LF pair too), and its direction controls cannot reorder it.
TEST(DisplayText, ANameShowsOnOneLineAndCannotReorderItself) {
    struct Case {
        std::string name, shown;
    } cases[] = {
        {"Claude Desktop", "Claude Desktop"},
        {"Zed\r\n", "Zed" + kMark},
        {"a\nb\rc\vd\fe", "a" + kMark + "b" + kMark + "c" + kMark + "d" + kMark + "e"},
        {"a\n\rb\r\n\r\nc", "a" + kMark + kMark + "b" + kMark + kMark + "c"},
        {"nel\xC2\x85ls\u2028ps\u2029", "nel" + kMark + "ls" + kMark + "ps" + kMark},
        {"tab\tstays", "tab\tstays"},
        {"abc\u202Egpj.exe", "abc" + kFFFD + "gpj.exe"},
        {"\u2066x\u2069", kFFFD + "x" + kFFFD},
        {"bad\xC2", "bad\xC2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(withoutDirectionControls(c.name), c.shown) << c.name;
        EXPECT_EQ(isolatedName(c.name), "\u2068" + c.shown + "\u2069") << c.name;
    }
    // Where the direction controls are dealt with otherwise (the terminal).
    EXPECT_EQ(withLineBreaksMarked("a\u202E\r\n\n"), "a\u202E" + kMark + kMark);
}

}  // namespace
}  // namespace ui
