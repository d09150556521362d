#include "text/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

constexpr char32_t kBad = utf8::kNotACodePoint;

// One table for every reader of UTF-8 in the program: whether the bytes are
// well-formed, and what the first character decodes to and how many bytes it
// takes (a malformed start is consumed alone).
TEST(Utf8, JudgesAndDecodesEveryFormOneWay) {
    struct Case {
        std::string_view bytes;
        bool valid;
        char32_t first;
        std::size_t firstLength;
    } cases[] = {
        {"plain ascii", true, U'p', 1},
        {"\xc3\xa9t\xc3\xa9", true, U'\u00e9', 2},
        {"\xe2\x80\x94 dash", true, U'\u2014', 3},
        {"\xe4\xb8\xad\xe6\x96\x87", true, U'\u4e2d', 3},
        {"\xf0\x9f\x98\x80", true, U'\U0001F600', 4},
        {"\xf4\x8f\xbf\xbf", true, U'\U0010FFFF', 4},
        {std::string_view("\0x", 2), true, U'\0', 1},
        {"\xc3", false, kBad, 1},              // cut short
        {"\xe2\x80", false, kBad, 1},          // cut short
        {"\x80", false, kBad, 1},              // stray continuation
        {"\xc0\xaf", false, kBad, 1},          // overlong "/"
        {"\xc1\xbf", false, kBad, 1},          // overlong
        {"\xe0\x80\xaf", false, kBad, 1},      // overlong
        {"\xf0\x80\x80\xaf", false, kBad, 1},  // overlong
        {"\xed\xa0\x80", false, kBad, 1},      // surrogate U+D800
        {"\xed\xbf\xbf", false, kBad, 1},      // surrogate U+DFFF
        {"\xf4\x90\x80\x80", false, kBad, 1},  // above U+10FFFF
        {"\xf8\x88\x80\x80\x80", false, kBad, 1},
        {"\xe2\x28\xa1", false, kBad, 1},      // bad continuation
        {"ok\xff", false, U'o', 1},            // bad later on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8::isValid(c.bytes), c.valid) << c.bytes;
        std::size_t at = 0;
        EXPECT_EQ(utf8::decodeAt(c.bytes, at), c.first) << c.bytes;
        EXPECT_EQ(at, c.firstLength) << c.bytes;
        EXPECT_EQ(utf8::sequenceLength(c.bytes, 0), c.first == kBad ? 0 : c.firstLength) << c.bytes;
    }
    EXPECT_TRUE(utf8::isValid(""));
}

// UTF-16 both ways, as Win32 takes and gives text: well-formed text goes
// there and back unchanged; each bad part of UTF-8 is one U+FFFD (a sequence
// cut short is one part, and the byte that cut it is read again); an
// unpaired surrogate comes back as its own three bytes, which no UTF-8 check
// lets through.
TEST(Utf8, ConvertsToAndFromUtf16) {
    struct Case {
        std::string_view utf8;
        std::u16string utf16;
        bool roundTrips;
    } cases[] = {
        {"", u"", true},
        {"plain", u"plain", true},
        {std::string_view("a\0b", 3), std::u16string(u"a\0b", 3), true},
        {"\xc3\xa9\xe2\x80\x94\xe4\xb8\xad", u"\u00e9\u2014\u4e2d", true},
        {"\xef\xbf\xbf", u"\uffff", true},
        {"\xf0\x9f\x98\x80", u"\xd83d\xde00", true},
        {"\xf4\x8f\xbf\xbf", u"\xdbff\xdfff", true},
        {"\xf0\x90\x80\x80", u"\xd800\xdc00", true},
        {"\xc3", u"\ufffd", false},
        {"\xe2\x80x", u"\ufffdx", false},
        {"\xf0\x9f\x98", u"\ufffd", false},
        {"\xf0\x9f\x98x\x80", u"\ufffdx\ufffd", false},
        {"\x80\xbf", u"\ufffd\ufffd", false},
        {"\xc0\xaf", u"\ufffd\ufffd", false},
        {"\xe0\x80\xaf", u"\ufffd\ufffd\ufffd", false},
        {"\xed\xa0\x80", u"\ufffd\ufffd\ufffd", false},
        {"\xf4\x90\x80\x80", u"\ufffd\ufffd\ufffd\ufffd", false},
        {"\xf8\x88\x80\x80\x80", u"\ufffd\ufffd\ufffd\ufffd\ufffd", false},
        {"\xe2\x28\xa1", u"\ufffd(\ufffd", false},
        {"ok\xff", u"ok\ufffd", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8::toUtf16(c.utf8), c.utf16) << c.utf8;
        if (c.roundTrips) {
            EXPECT_EQ(utf8::fromUtf16(c.utf16), c.utf8) << c.utf8;
        }
    }

    struct Lone {
        std::u16string utf16;
        std::string_view utf8;
    } lones[] = {
        {u"\xd800", "\xed\xa0\x80"},
        {u"a\xdc00", "a\xed\xb0\x80"},
        {u"\xdbff" "b", "\xed\xaf\xbf" "b"},
        {u"\xdc00\xd800", "\xed\xb0\x80\xed\xa0\x80"},  // reversed: two lone halves
        {u"\xd83d\xd83d\xde00", "\xed\xa0\xbd\xf0\x9f\x98\x80"},
    };
    for (const Lone& lone : lones) {
        const std::string bytes = utf8::fromUtf16(lone.utf16);
        EXPECT_EQ(bytes, lone.utf8);
        EXPECT_FALSE(utf8::isValid(bytes));
    }
}

}  // namespace
