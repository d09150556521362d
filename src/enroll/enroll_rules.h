// How the enrollment alert is worded, and how a submission of its two fields
// is judged. Pure functions of strings (UTF-8); no toolkit.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace enroll {

inline constexpr const char* kEnrollIntroText =
    "If your organization gave you a setup code, enter it here \xe2\x80\x94 otherwise skip.";

struct EnrollVerdict {
    std::string code;   // the setup code, trimmed
    std::string email;  // the work email, trimmed; may be empty
    // Why the submission was rejected; none when it is accepted.
    std::optional<std::string> message;
};

// Removes white space and line breaks (Unicode category Z, U+0009 to U+000D,
// U+0085) from both ends. Bytes that are not valid UTF-8 count as ordinary
// characters and are kept.
std::string trimString(std::string_view text);

// True when the text holds U+000A to U+000D, U+0085, U+2028 or U+2029.
bool containsNewline(std::string_view text);

// One line of text: no newline (see containsNewline) and no NUL, which would
// end the value early for a parent that reads it as a C string.
bool isSingleLine(std::string_view text);

std::string enrollInformativeText(const std::string& errorText);
// The alert's style by number, as alerts count them: 0 warns, 1 informs.
inline constexpr int kWarningStyle = 0;
inline constexpr int kInformationalStyle = 1;
int enrollAlertStyle(const std::string& errorText);
std::string enrollFirstButtonTitle(const std::string& errorText);

EnrollVerdict judgeEnrollInput(std::string_view codeText, std::string_view emailText);

}  // namespace enroll
