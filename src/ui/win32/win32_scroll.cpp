#include "ui/win32/win32_scroll.h"

#include <algorithm>

namespace ui::win32 {

namespace {

// A scrolled part of the alert: a frame with a vertical scroll bar whose
// controls move with it. It hands its controls' notifications to the
// alert, and brings a control that takes the focus into view.
void scrollTo(HWND frame, int position) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(frame, SB_VERT, &info);
    const int last = std::max(0, info.nMax - static_cast<int>(info.nPage) + 1);
    position = std::clamp(position, 0, last);
    if (position == info.nPos) return;
    const int by = info.nPos - position;
    info.fMask = SIF_POS;
    info.nPos = position;
    RECT view{};
    GetClientRect(frame, &view);
    SendMessageW(GetParent(frame), kRowsInViewMessage, 0, position + view.bottom);
    SetScrollInfo(frame, SB_VERT, &info, TRUE);
    ScrollWindowEx(frame, 0, by, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
}

// The scrolled parts stand on the content's colour, not the dialog face's.
LRESULT eraseWithWindowColour(HWND window, WPARAM dc) {
    RECT rect{};
    GetClientRect(window, &rect);
    FillRect(reinterpret_cast<HDC>(dc), &rect, GetSysColorBrush(COLOR_WINDOW));
    return 1;
}

LRESULT CALLBACK scrollFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    const int line = static_cast<int>(GetWindowLongPtrW(frame, GWLP_USERDATA));
    switch (message) {
        case WM_VSCROLL: {
            GetScrollInfo(frame, SB_VERT, &info);
            int position = info.nPos;
            switch (LOWORD(wParam)) {
                case SB_LINEUP: position -= line; break;
                case SB_LINEDOWN: position += line; break;
                case SB_PAGEUP: position -= static_cast<int>(info.nPage); break;
                case SB_PAGEDOWN: position += static_cast<int>(info.nPage); break;
                case SB_TOP: position = 0; break;
                case SB_BOTTOM: position = info.nMax; break;
                case SB_THUMBTRACK: case SB_THUMBPOSITION: position = info.nTrackPos; break;
                default: break;
            }
            scrollTo(frame, position);
            return 0;
        }
        case WM_MOUSEWHEEL: {
            GetScrollInfo(frame, SB_VERT, &info);
            const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
            scrollTo(frame, info.nPos - notches * 3 * line);
            return 0;
        }
        case WM_COMMAND: {
            const WORD code = HIWORD(wParam);
            if ((code == BN_SETFOCUS || code == EN_SETFOCUS) && lParam) {
                RECT child{};
                GetWindowRect(reinterpret_cast<HWND>(lParam), &child);
                MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&child), 2);
                RECT view{};
                GetClientRect(frame, &view);
                GetScrollInfo(frame, SB_VERT, &info);
                if (child.top < 0) scrollTo(frame, info.nPos + child.top);
                else if (child.bottom > view.bottom) scrollTo(frame, info.nPos + child.bottom - view.bottom);
            }
            return SendMessageW(GetParent(frame), message, wParam, lParam);
        }
        case WM_CTLCOLORSTATIC: case WM_CTLCOLORBTN: case WM_CTLCOLOREDIT:
            return SendMessageW(GetParent(frame), message, wParam, lParam);
        case WM_ERASEBKGND:
            return eraseWithWindowColour(frame, wParam);
        default:
            return DefWindowProcW(frame, message, wParam, lParam);
    }
}

// A box of rows in a scrolled list: passes its rows' notifications on.
LRESULT CALLBACK rowsBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: case WM_CTLCOLORSTATIC: case WM_CTLCOLORBTN: case WM_CTLCOLOREDIT:
            return SendMessageW(GetParent(box), message, wParam, lParam);
        case WM_ERASEBKGND:
            return eraseWithWindowColour(box, wParam);
        default:
            return DefWindowProcW(box, message, wParam, lParam);
    }
}

}  // namespace

void registerScrollFrame() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = scrollFrameProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kScrollClass;
        const bool frame = RegisterClassExW(&windowClass) != 0;
        windowClass.lpfnWndProc = rowsBoxProc;
        windowClass.lpszClassName = kRowsClass;
        return frame && RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

HWND makeChild(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, RECT r, int id,
               DWORD exStyle) {
    return CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

}  // namespace ui::win32
