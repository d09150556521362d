#include "ui/win32/win32_text.h"

namespace ui::win32 {

std::wstring plainButtonText(std::string_view title) {
    std::wstring text;
    for (wchar_t c : widen(title)) {
        if (c == L'&') text += L'&';
        text += c;
    }
    return text;
}

}  // namespace ui::win32
