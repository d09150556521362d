// UTF-8 for the whole program: what counts as well-formed, how a code point
// is read, and how text is cut by characters. Well-formed means the Unicode
// definition: no overlong forms, no surrogates, nothing above U+10FFFF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace utf8 {

// Stands for a byte that does not start a well-formed sequence.
inline constexpr char32_t kNotACodePoint = 0xFFFFFFFF;

// The length of the well-formed sequence that starts at `at`, or 0 when the
// byte there does not start one.
std::size_t sequenceLength(std::string_view text, std::size_t at);

// The length a sequence announces by its first byte (1 to 4), or 0 for a
// byte that cannot start one. Says nothing about the bytes that follow.
std::size_t declaredLength(unsigned char lead);

// Decodes the code point at text[at] and advances `at` past it. A byte that
// does not start a well-formed sequence is consumed alone and read as
// kNotACodePoint, so that no input can stall a scan.
char32_t decodeAt(std::string_view text, std::size_t& at);

bool isValid(std::string_view text);

// The length of the longest start of a well-formed sequence at `at` (at
// least 1): the part a reader that replaces bad bytes takes as one, so that
// a sequence cut short costs one replacement and the byte after it is read
// again.
std::size_t partLength(std::string_view text, std::size_t at);

// UTF-16, for toolkits that keep text that way (Win32). Each part that is
// not well-formed becomes one U+FFFD.
std::u16string toUtf16(std::string_view text);
// An unpaired surrogate, which UTF-8 cannot hold, comes out as the three
// bytes of the surrogate itself, so that a UTF-8 check refuses it instead of
// taking a replacement character for the user's text.
std::string fromUtf16(std::u16string_view text);

}  // namespace utf8
