// Text between the core's UTF-8 and Win32's UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace ui::win32 {

std::wstring widen(std::string_view utf8);
// Unpaired surrogates, which UTF-8 cannot hold, come out as the bytes of
// the surrogate itself, so that a UTF-8 check refuses them instead of
// taking a replacement character for the user's text.
std::string narrow(std::wstring_view utf16);

// Buttons and checkboxes read "&" as a mnemonic marker; callers' titles are
// plain text, so every "&" is doubled to show as itself.
std::wstring plainButtonText(std::string_view title);

}  // namespace ui::win32
