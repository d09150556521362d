// UTF-8 for the whole program: what counts as well-formed, how a code point
// is read, and how text is cut by characters. Well-formed means the Unicode
// definition: no overlong forms, no surrogates, nothing above U+10FFFF.
#pragma once

#include <cstddef>
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

}  // namespace utf8
