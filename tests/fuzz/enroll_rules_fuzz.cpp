// Fuzzes the enrollment input rules against a byte-level model of them.
//
// The input is split at its first NUL byte; each part is judged both as the
// setup code and as the work email, so NUL bytes reach either field; the
// whole input is judged as a setup code too, with its NULs inside.
//
// The model needs no decoder: every trimmed or newline character is one of a
// few fixed byte strings starting with a lead byte, and a well-formed sequence
// never has a lead byte after its first byte, so such a match in the text is
// always a whole character however the bytes around it are formed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "enroll/enroll_rules.h"

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

bool isTrimmedChar(std::string_view c) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(c[i]); };
    switch (c.size()) {
        case 1:
            return (b(0) >= 0x09 && b(0) <= 0x0D) || b(0) == 0x20;
        case 2:  // U+0085, U+00A0
            return b(0) == 0xC2 && (b(1) == 0x85 || b(1) == 0xA0);
        case 3:  // U+1680, U+205F, U+3000; U+2000..U+200A, U+2028, U+2029, U+202F
            if (c == "\xE1\x9A\x80" || c == "\xE2\x81\x9F" || c == "\xE3\x80\x80") return true;
            return b(0) == 0xE2 && b(1) == 0x80 &&
                   ((b(2) >= 0x80 && b(2) <= 0x8A) || b(2) == 0xA8 || b(2) == 0xA9 || b(2) == 0xAF);
        default:
            return false;
    }
}

// Byte length of the trimmed character that `s` starts with (or ends with), or 0.
size_t trimmedAt(std::string_view s, bool atEnd) {
    for (size_t n = 1; n <= 3 && n <= s.size(); ++n)
        if (isTrimmedChar(atEnd ? s.substr(s.size() - n) : s.substr(0, n))) return n;
    return 0;
}

std::string_view modelTrim(std::string_view s) {
    while (const size_t n = trimmedAt(s, false)) s.remove_prefix(n);
    while (const size_t n = trimmedAt(s, true)) s.remove_suffix(n);
    return s;
}

bool modelNewline(std::string_view s) {
    for (const char c : s)
        if (c >= '\n' && c <= '\r') return true;
    return s.find("\xC2\x85") != s.npos || s.find("\xE2\x80\xA8") != s.npos ||
           s.find("\xE2\x80\xA9") != s.npos;
}

// A NUL counts as a line break inside a value.
bool modelMultiLine(std::string_view s) { return modelNewline(s) || s.find('\0') != s.npos; }

void checkText(std::string_view text) {
    const std::string trimmed = enroll::trimString(text);
    check(trimmed == modelTrim(text));
    check(enroll::trimString(trimmed) == trimmed);
    check(enroll::containsNewline(text) == modelNewline(text));
}

void checkJudge(std::string_view code, std::string_view email) {
    const enroll::EnrollVerdict verdict = enroll::judgeEnrollInput(code, email);
    check(verdict.code == modelTrim(code));
    check(verdict.email == modelTrim(email));
    const char* expected = modelMultiLine(verdict.code)    ? "Setup code must be a single line."
                           : modelMultiLine(verdict.email) ? "Work email must be a single line."
                           : verdict.code.starts_with("dk_") ? nullptr
                                                             : "Setup code must start with dk_.";
    check(expected ? verdict.message == expected : !verdict.message.has_value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t nul = input.find('\0');
    const std::string_view first = input.substr(0, nul);
    const std::string_view second = nul == input.npos ? std::string_view() : input.substr(nul + 1);
    for (const std::string_view text : {input, first, second}) checkText(text);
    checkJudge(first, second);
    checkJudge(second, first);
    checkJudge(input, "");
    return 0;
}
