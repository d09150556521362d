#include "text/utf8.h"

#include <gtest/gtest.h>

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

}  // namespace
