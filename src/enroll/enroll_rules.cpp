#include "enroll/enroll_rules.h"

#include "ui/toolkit.h"

namespace enroll {

namespace {

constexpr char32_t kNotACodePoint = 0xFFFFFFFF;

// Decodes the code point at text[i] and advances i past it. A byte that does
// not start a well-formed sequence (overlong, surrogate, beyond U+10FFFF,
// truncated) is consumed alone and reported as kNotACodePoint, so that no
// input can stall the scan or be read as white space by accident.
char32_t decodeAt(std::string_view text, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    }
    if (length == 0 || i + length > text.size()) {
        ++i;
        return kNotACodePoint;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return kNotACodePoint;
        }
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++i;
        return kNotACodePoint;
    }
    i += length;
    return value;
}

bool isNewline(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isTrimmed(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

}  // namespace

std::string trimString(std::string_view text) {
    size_t begin = text.size();
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        if (isTrimmed(decodeAt(text, i))) continue;
        if (begin == text.size()) begin = start;
        end = i;
    }
    if (begin >= end) return {};
    return std::string(text.substr(begin, end - begin));
}

bool containsNewline(std::string_view text) {
    for (size_t i = 0; i < text.size();)
        if (isNewline(decodeAt(text, i))) return true;
    return false;
}

std::string enrollInformativeText(const std::string& errorText) {
    if (errorText.empty()) return kEnrollIntroText;
    return errorText + "\n\n" + kEnrollIntroText;
}

int enrollAlertStyle(const std::string& errorText) {
    return errorText.empty() ? ui::kAlertStyleInformational : ui::kAlertStyleWarning;
}

std::string enrollFirstButtonTitle(const std::string& errorText) {
    return errorText.empty() ? "Continue" : "Retry";
}

EnrollVerdict judgeEnrollInput(std::string_view codeText, std::string_view emailText) {
    EnrollVerdict verdict{trimString(codeText), trimString(emailText), std::nullopt};
    if (containsNewline(verdict.code))
        verdict.message = "Setup code must be a single line.";
    else if (containsNewline(verdict.email))
        verdict.message = "Work email must be a single line.";
    else if (verdict.code.starts_with("dk_"))
        verdict.message = std::nullopt;
    else
        verdict.message = "Setup code must start with dk_.";
    return verdict;
}

}  // namespace enroll
