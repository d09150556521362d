#include "enroll/enroll_rules.h"

#include "text/utf8.h"

namespace enroll {

namespace {

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
        if (isTrimmed(utf8::decodeAt(text, i))) continue;
        if (begin == text.size()) begin = start;
        end = i;
    }
    if (begin >= end) return {};
    return std::string(text.substr(begin, end - begin));
}

bool containsNewline(std::string_view text) {
    for (size_t i = 0; i < text.size();)
        if (isNewline(utf8::decodeAt(text, i))) return true;
    return false;
}

bool isSingleLine(std::string_view text) {
    return !containsNewline(text) && text.find('\0') == std::string_view::npos;
}

std::string enrollInformativeText(const std::string& errorText) {
    if (errorText.empty()) return kEnrollIntroText;
    return errorText + "\n\n" + kEnrollIntroText;
}

int enrollAlertStyle(const std::string& errorText) {
    return errorText.empty() ? kInformationalStyle : kWarningStyle;
}

std::string enrollFirstButtonTitle(const std::string& errorText) {
    return errorText.empty() ? "Continue" : "Retry";
}

EnrollVerdict judgeEnrollInput(std::string_view codeText, std::string_view emailText) {
    EnrollVerdict verdict{trimString(codeText), trimString(emailText), std::nullopt};
    if (!isSingleLine(verdict.code))
        verdict.message = "Setup code must be a single line.";
    else if (!isSingleLine(verdict.email))
        verdict.message = "Work email must be a single line.";
    else if (verdict.code.starts_with("dk_"))
        verdict.message = std::nullopt;
    else
        verdict.message = "Setup code must start with dk_.";
    return verdict;
}

}  // namespace enroll
