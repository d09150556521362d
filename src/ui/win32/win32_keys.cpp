#include "ui/win32/win32_keys.h"

#include <cstdint>
#include <cstring>

namespace ui::win32 {

using alert::InputGuard;
using alert::KeyEvent;

bool isKeyMessage(UINT message) {
    switch (message) {
        case WM_KEYDOWN: case WM_KEYUP: case WM_CHAR: case WM_DEADCHAR:
        case WM_SYSKEYDOWN: case WM_SYSKEYUP: case WM_SYSCHAR: case WM_SYSDEADCHAR:
        case WM_UNICHAR: case WM_IME_CHAR: case WM_IME_COMPOSITION:
            return true;
        default:
            return false;
    }
}

// Whether a keyboard message may act, as the input guard judges its key:
// a key down is a press, or a repeat where lParam's bit 30 says the key was
// already down; characters made from a key follow that key, known by its
// scan code (bits 16 to 24, the extended-key bit with it). An input method's
// text names no key.
bool keyActs(InputGuard& guard, const MSG& message) {
    const auto now = InputGuard::Clock::now();
    const auto key = static_cast<std::uint32_t>((message.lParam >> 16) & 0x1FF);
    const bool wasDown = (message.lParam >> 30) & 1;
    switch (message.message) {
        case WM_KEYDOWN: case WM_SYSKEYDOWN:
            return guard.keyArrives(now, {key, wasDown ? KeyEvent::Phase::Repeat : KeyEvent::Phase::Press});
        case WM_KEYUP: case WM_SYSKEYUP:
            return guard.keyArrives(now, {key, KeyEvent::Phase::Release});
        case WM_CHAR: case WM_SYSCHAR: case WM_DEADCHAR: case WM_SYSDEADCHAR: case WM_UNICHAR:
            return guard.keyArrives(now, {key, KeyEvent::Phase::Repeat});
        default:
            return guard.keyArrives(now);
    }
}

bool isEdit(HWND hwnd) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    return lstrcmpiW(name, L"EDIT") == 0;
}

void copyToClipboard(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* at = GlobalLock(memory)) {
            memcpy(at, text.c_str(), bytes);
            GlobalUnlock(memory);
            if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

}  // namespace ui::win32
