// Text between the core's UTF-8 and Win32's UTF-16 (the conversion itself is
// the program's one UTF-8 module's).
#pragma once

#include <string>
#include <string_view>

#include "text/utf8.h"

namespace ui::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 keeps text as UTF-16");

inline std::wstring widen(std::string_view text) {
    const std::u16string wide = utf8::toUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

inline std::string narrow(std::wstring_view text) {
    return utf8::fromUtf16(std::u16string(text.begin(), text.end()));
}

// Buttons and checkboxes read "&" as a mnemonic marker; callers' titles are
// plain text, so every "&" is doubled to show as itself.
std::wstring plainButtonText(std::string_view title);

}  // namespace ui::win32
