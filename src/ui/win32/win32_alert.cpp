#include "ui/win32/win32_alert.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/win32/win32_keys.h"
#include "ui/win32/win32_scroll.h"
#include "ui/win32/win32_text.h"

namespace ui::win32 {

namespace {

// An empty dialog template: the controls are made at run time, at the DPI
// of the monitor the alert opens on.
struct alignas(4) EmptyDialog {
    DLGTEMPLATE header;
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

}  // namespace

void Win32Window::setLevel(int level) { alert_.setFloating(level >= kFloatingWindowLevel); }

void Win32Window::makeFirstResponder(View& view) { alert_.setFirstResponder(&nodeOf<Win32ViewNode>(view)); }

Win32Alert::~Win32Alert() {
    if (dialog_) DestroyWindow(dialog_);
    if (icon_) DestroyIcon(icon_);
    if (windowIcon_) DestroyIcon(windowIcon_);
}

Win32ViewNode* Win32Alert::nodeForId(int id) const {
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(controls_.size())) return nullptr;
    return controls_[static_cast<size_t>(index)];
}

const Win32ViewNode* Win32Alert::nodeForWindow(HWND hwnd) const {
    for (const Win32ViewNode* node : controls_) {
        if (node->hwnd() == hwnd) return node;
    }
    return nullptr;
}

void Win32Alert::place() {
    const UINT dpi = GetDpiForWindow(dialog_);
    RECT outer{0, 0, client_.cx, client_.cy};
    AdjustWindowRectExForDpi(&outer, GetWindowLongW(dialog_, GWL_STYLE), FALSE, GetWindowLongW(dialog_, GWL_EXSTYLE),
                             dpi);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    // Centred on the work area of the monitor under the pointer, and never
    // above its top, where the title bar would be out of reach.
    POINT pointer{};
    GetCursorPos(&pointer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int x = work.left + std::max(0L, (work.right - work.left - width) / 2);
    const int y = work.top + std::max(0L, (work.bottom - work.top - height) / 3);
    SetWindowPos(dialog_, floating_ ? HWND_TOPMOST : HWND_TOP, x, y, width, height, SWP_NOACTIVATE);
}

INT_PTR CALLBACK Win32Alert::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* alert = reinterpret_cast<Win32Alert*>(lParam);
        alert->dialog_ = dialog;
    }
    auto* alert = reinterpret_cast<Win32Alert*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return alert ? alert->handle(message, wParam, lParam) : FALSE;
}

INT_PTR Win32Alert::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return FALSE;  // the focus is set once the window shows
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                guard_.deactivated();
            } else {
                guard_.activated(InputGuard::Clock::now());
            }
            return FALSE;
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const WORD code = HIWORD(wParam);
            if (id >= kAlertFirstButtonReturn && id < kAlertFirstButtonReturn + static_cast<int>(buttons_.size())) {
                if (code == BN_CLICKED) finish(id);
                return TRUE;
            }
            if (id == IDOK && !lParam) {
                // Return where no button has the focus.
                end(alert::Ending::Return);
                return TRUE;
            }
            if (id == IDCANCEL && !lParam) {
                end(alert::Ending::Escape);
                return TRUE;
            }
            if (Win32ViewNode* node = nodeForId(id)) node->command(code);
            return TRUE;
        }
        case WM_CLOSE:
            end(alert::Ending::WindowClosed);
            return TRUE;
        case WM_ERASEBKGND: {
            // The content on the window colour, the buttons on a band of the
            // face colour under it.
            auto dc = reinterpret_cast<HDC>(wParam);
            RECT rect{};
            GetClientRect(dialog_, &rect);
            RECT band = rect;
            rect.bottom = footerTop_;
            band.top = footerTop_;
            FillRect(dc, &rect, GetSysColorBrush(COLOR_WINDOW));
            FillRect(dc, &band, GetSysColorBrush(COLOR_BTNFACE));
            SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, 1);
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            auto dc = reinterpret_cast<HDC>(wParam);
            auto control = reinterpret_cast<HWND>(lParam);
            RECT rect{};
            GetWindowRect(control, &rect);
            MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&rect), 2);
            const int background = rect.top >= footerTop_ ? COLOR_BTNFACE : COLOR_WINDOW;
            const Win32ViewNode* node = nodeForWindow(control);
            const Win32Color* color = node ? node->textColor() : nullptr;
            SetTextColor(dc, GetSysColor(color ? color->systemColor : COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(background));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(background));
        }
        case kRowsInViewMessage:
            makeRows(static_cast<int>(lParam), std::chrono::milliseconds(0));
            return TRUE;
        case WM_DPICHANGED: {
            // Moved to a monitor of another density: everything is made
            // again at the new one, the focus kept.
            const int focused = GetDlgCtrlID(GetFocus());
            build(HIWORD(wParam));
            place();
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(dialog_, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            if (HWND again = GetDlgItem(dialog_, focused)) SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(again), TRUE);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

void Win32Alert::finish(long result) {
    if (done_) return;
    done_ = true;
    result_ = result;
}

void Win32Alert::end(alert::Ending ending) {
    if (const auto answer = model_.answerFor(ending)) finish(*answer);
}

void Win32Alert::performMenuAction(MenuAction action) {
    HWND focused = GetFocus();
    if (focused && isEdit(focused)) {
        switch (action) {
            case MenuAction::Cut: SendMessageW(focused, WM_CUT, 0, 0); break;
            case MenuAction::Copy: SendMessageW(focused, WM_COPY, 0, 0); break;
            case MenuAction::Paste: SendMessageW(focused, WM_PASTE, 0, 0); break;
            case MenuAction::SelectAll: SendMessageW(focused, EM_SETSEL, 0, -1); break;
            case MenuAction::None: break;
        }
        return;
    }
    // Elsewhere Copy takes the alert's texts, as Windows' own alerts do.
    if (action == MenuAction::Copy) {
        std::wstring text = widen(model_.messageText);
        if (!model_.informativeText.empty()) text += L"\r\n\r\n" + widen(model_.informativeText);
        copyToClipboard(dialog_, text);
    }
}

bool Win32Alert::keyHandled(const MSG& message) {
    if (!isKeyMessage(message.message)) return false;
    if (message.hwnd != dialog_ && !IsChild(dialog_, message.hwnd)) return false;
    // Keys meant for another window do not answer the alert (see
    // ui/input_guard.h); a dropped key is handled, by nobody.
    if (!keyActs(guard_, message)) return true;
    if (message.message != WM_KEYDOWN) return false;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    const MenuAction action = menuActionForKey(host_.mainMenu(), message.wParam, control, shift, alt);
    if (action == MenuAction::None) return false;
    performMenuAction(action);
    return true;
}

long Win32Alert::runModal() {
    EmptyDialog empty{};
    empty.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
    empty.header.dwExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &empty.header, nullptr, dialogProc,
                                             reinterpret_cast<LPARAM>(this));
    if (!dialog) {
        // The desktop went away after the check: no answer can be given.
        host_.endRun(EarlyEnd::DisplayLost);
        return kModalResponseCancel;  // not reached: endRun ends the run
    }
    SetWindowTextW(dialog_, widen(model_.messageText).c_str());
    // The alert makes itself again at a new DPI (WM_DPICHANGED below); the
    // system's own rescaling of dialogs would resize it a second time.
    // Asked for by name: the call is newer than the rest (Windows 10 1703).
    using DpiBehavior = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    if (auto setBehavior = reinterpret_cast<DpiBehavior>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")))) {
        setBehavior(dialog_, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
    }
    if (image()) {
        windowIcon_ = image()->makeIcon(GetSystemMetricsForDpi(SM_CXICON, GetDpiForWindow(dialog_)));
        if (windowIcon_) {
            SendMessageW(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(windowIcon_));
            SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(windowIcon_));
        }
    }
    build(dpiOfMonitorUnderPointer());
    place();
    ShowWindow(dialog_, SW_SHOW);
    if (host_.activationRequested() && !SetForegroundWindow(dialog_)) {
        // Windows keeps the foreground from a program the user did not start
        // just now: the taskbar button flashes instead, until it is chosen.
        FLASHWINFO flash{};
        flash.cbSize = sizeof flash;
        flash.hwnd = dialog_;
        flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
        FlashWindowEx(&flash);
    }
    if (firstResponder_ && firstResponder_->hwnd()) {
        // As Windows does for a field that takes the focus this way, its
        // whole text is selected, so that typing replaces a value put back.
        SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(firstResponder_->hwnd()), TRUE);
    } else if (!buttons_.empty()) {
        SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(buttons_.front()), TRUE);
    }

    MSG message{};
    while (!done_) {
        if (nextRow_ < pendingRows_.size() && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            // Nothing to answer: the rest of a long list, a slice at a time,
            // so that keys and clicks wait no longer than one slice.
            makeRows(0, std::chrono::milliseconds(15));
            continue;
        }
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // A quit request ends the run without a button; the loop that
            // may come after sees it too.
            PostQuitMessage(static_cast<int>(message.wParam));
            end(alert::Ending::WindowClosed);
            break;
        }
        if (got == -1) {
            end(alert::Ending::WindowClosed);
            break;
        }
        if (keyHandled(message) || IsDialogMessageW(dialog_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // Gone from the screen at once, however long its list takes to destroy.
    ShowWindow(dialog_, SW_HIDE);
    destroyControls();
    DestroyWindow(dialog_);
    dialog_ = nullptr;
    return result_;
}

}  // namespace ui::win32
