#include "ui/win32/win32_alert.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>

#include "ui/display_text.h"
#include "ui/alert/screen_plan.h"
#include "ui/view_tree.h"
#include "ui/win32/win32_text.h"

namespace ui::win32 {

using alert::kMinimumScrolledHeight;
using alert::leadingRowCount;

namespace {

constexpr int kFirstControlId = 2000;
// From a scrolled list to the alert: rows down to the list's visible bottom
// must exist now.
constexpr UINT kRowsInViewMessage = WM_APP + 1;
constexpr wchar_t kScrollClass[] = L"SetupDialogScroll";
constexpr wchar_t kRowsClass[] = L"SetupDialogRows";
// A long list's rows go into boxes of this many, each filled inside a hidden
// window and moved into the list once full: under Wine a window made inside
// a shown one costs several times more, and a box moves its rows at once.
constexpr size_t kRowsPerBox = 50;

// The dialogs' spacing, in points.
constexpr double kMargin = 16;
constexpr double kIconGap = 12;
constexpr double kTextGap = 8;
constexpr double kSectionGap = 12;
constexpr double kTextWidth = 380;
constexpr double kButtonMinWidth = 75;
constexpr double kButtonPadding = 12;
constexpr double kButtonGap = 8;
constexpr double kBandPadding = 11;
// The title, as Windows draws a dialog's main instruction: larger than the text.
constexpr double kTitleFontFactor = 1.25;

// The size of a text in a font: wrapped at `width`, or on one line when it is 0.
SIZE measure(HFONT font, const std::wstring& text, int width) {
    return textExtent(font, text, width,
                      DT_NOPREFIX | DT_EXPANDTABS | (width ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE));
}

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

HWND makeChild(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, RECT r, int id = 0,
               DWORD exStyle = 0) {
    return CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

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

void Win32Alert::destroyControls() {
    for (Win32ViewNode* node : controls_) {
        if (node->hwnd()) DestroyWindow(node->hwnd());
        node->controlDestroyed();
    }
    controls_.clear();
    for (HWND button : buttons_) DestroyWindow(button);
    buttons_.clear();
    for (HWND own : ownWindows_) DestroyWindow(own);
    ownWindows_.clear();
    textWindow_ = nullptr;
    tips_ = nullptr;
    scrollFrame_ = nullptr;
    rowsNursery_ = nullptr;
    pendingRows_.clear();
    nextRow_ = 0;
    if (icon_) DestroyIcon(icon_);
    icon_ = nullptr;
    fonts_.reset();
}

void Win32Alert::build(UINT dpi) {
    destroyControls();
    POINT pointer{};
    GetCursorPos(&pointer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectExForDpi(&frame, GetWindowLongW(dialog_, GWL_STYLE), FALSE, GetWindowLongW(dialog_, GWL_EXSTYLE), dpi);
    const int scrollBar = GetSystemMetricsForDpi(SM_CXVSCROLL, dpi);
    const double accessoryPoints = accessory_ ? accessory_->nodeFrame().width : 0;

    // An alert wider than its screen, as at a high DPI on a small screen,
    // would put its buttons out of reach: it is drawn smaller, fonts and
    // all, until it fits (a list's scroll bar counted in).
    Metrics metrics = metricsFor(dpi);
    int iconSide = GetSystemMetricsForDpi(SM_CXICON, dpi);
    const int room = (monitor.rcWork.right - monitor.rcWork.left) - (frame.right - frame.left) - scrollBar;
    const int wanted = metrics.px(2 * kMargin + kIconGap + std::max(kTextWidth, accessoryPoints)) + iconSide;
    if (room > 0 && wanted > room) {
        const double shrink = static_cast<double>(room) / wanted;
        metrics.scale *= shrink;
        metrics.messageFont.lfHeight = static_cast<LONG>(std::lround(metrics.messageFont.lfHeight * shrink));
        if (metrics.messageFont.lfHeight == 0) metrics.messageFont.lfHeight = -1;
        iconSide = std::max(1, static_cast<int>(iconSide * shrink));
    }
    fonts_ = std::make_unique<FontCache>(metrics);
    auto px = [&](double points) { return metrics.px(points); };

    // Everything is measured first, so that what must scroll is known
    // before any control is made.
    const int margin = px(kMargin);
    const int textX = margin + iconSide + px(kIconGap);
    int textWidth = std::max(px(kTextWidth), px(accessoryPoints));

    HFONT titleFont = fonts_->bold(kTitleFontFactor);
    HFONT textFont = fonts_->font(nullptr);
    const std::wstring title = widen(messageText_);
    const std::wstring informative = widen(informativeText_);
    const int titleHeight = measure(titleFont, title, textWidth).cy;
    int informativeHeight = informative.empty() ? 0 : measure(textFont, informative, textWidth).cy;
    const int accessoryHeight = accessory_ ? px(accessory_->nodeFrame().height) : 0;

    const SIZE buttonText = measure(textFont, L"Ag", 0);
    const int buttonHeight = std::max(px(23), static_cast<int>(buttonText.cy) + px(10));
    const int bandHeight = buttonHeight + 2 * px(kBandPadding);

    auto contentHeight = [&](int informativeShown, int accessoryShown) {
        int y = margin + titleHeight;
        if (informativeShown) y += px(kTextGap) + informativeShown;
        if (accessoryShown) y += px(kSectionGap) + accessoryShown;
        return std::max(y, margin + iconSide) + margin;
    };

    // An alert taller than its screen would push the buttons out of reach:
    // a long text scrolls first, then the accessory view (only its leading
    // list of rows where it starts with one, so that what stands under the
    // list stays in view).
    const int available = (monitor.rcWork.bottom - monitor.rcWork.top) - (frame.bottom - frame.top) - bandHeight;
    const int minimum = px(kMinimumScrolledHeight);
    int overflow = contentHeight(informativeHeight, accessoryHeight) - available;
    bool textScrolls = false;
    if (overflow > 0 && informativeHeight > minimum) {
        const int shown = std::max(minimum, informativeHeight - overflow);
        overflow -= informativeHeight - shown;
        informativeHeight = shown;
        textScrolls = true;
    }
    std::vector<PlacedNode> placed;
    if (accessory_) placed = inReadingOrder(*accessory_);
    size_t scrolledRows = 0;  // how many of `placed` sit in the scroll frame
    int band = 0;              // the scrolled band's height, pixels
    int bandShown = 0;
    if (overflow > 0 && accessory_) {
        std::vector<Rect> frames;
        for (const PlacedNode& node : placed) {
            if (node.node->parentNode() == accessory_) frames.push_back(node.frame);
        }
        size_t rows = leadingRowCount(frames);
        // A view that is all list scrolls whole.
        if (rows == accessory_->childNodes().size()) rows = 0;
        const double viewHeight = accessory_->nodeFrame().height;
        band = rows ? px(viewHeight - frames[rows - 1].y) : accessoryHeight;
        scrolledRows = rows ? rows : placed.size();
        bandShown = std::min(band, std::max(minimum, band - overflow));
    }
    if (scrolledRows) textWidth = std::max(textWidth, px(accessoryPoints) + scrollBar);
    const int accessoryShown = accessoryHeight - (band - bandShown);

    client_.cx = textX + textWidth + margin;
    footerTop_ = contentHeight(informativeHeight, accessoryShown);

    // Icons: the picture given, else the stock sign of the style.
    const HWND parent = dialog_;
    if (image_) icon_ = image_->makeIcon(iconSide);
    if (!icon_) icon_ = stockIcon(style_ == kAlertStyleInformational, iconSide);
    HWND iconWindow = makeChild(parent, L"STATIC", L"", SS_ICON | SS_REALSIZECONTROL | SS_CENTERIMAGE,
                                {margin, margin, margin + iconSide, margin + iconSide});
    SendMessageW(iconWindow, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
    setAccessibleText(iconWindow, AccessibleText::Name, style_ == kAlertStyleInformational ? L"Information" : L"Warning");
    ownWindows_.push_back(iconWindow);

    // The texts come after the controls in the Tab order, so they are made
    // last; here only their places are fixed.
    int y = margin;
    const RECT titleRect{textX, y, textX + textWidth, y + titleHeight};
    y += titleHeight;
    RECT informativeRect{};
    if (informativeHeight) {
        y += px(kTextGap);
        informativeRect = {textX, y, textX + textWidth, y + informativeHeight};
        y += informativeHeight;
    }

    // The accessory view's controls, in reading order: the order Tab takes.
    if (accessory_) {
        y += px(kSectionGap);
        const double viewHeight = accessory_->nodeFrame().height;
        HWND& scrollFrame = scrollFrame_;
        for (size_t i = 0; i < placed.size(); ++i) {
            auto* node = static_cast<Win32ViewNode*>(placed[i].node);
            const Rect& f = placed[i].frame;
            RECT rect{textX + px(f.x), y + px(viewHeight - f.y - f.height), textX + px(f.x + f.width),
                      y + px(viewHeight - f.y)};
            HWND into = parent;
            if (i < scrolledRows) {
                if (!scrollFrame) {
                    registerScrollFrame();
                    scrollFrame = makeChild(parent, kScrollClass, L"", WS_VSCROLL,
                                            {textX, y, textX + px(accessoryPoints) + scrollBar, y + bandShown}, 0,
                                            WS_EX_CONTROLPARENT);
                    SetWindowLongPtrW(scrollFrame, GWLP_USERDATA, px(20));
                    SCROLLINFO info{};
                    info.cbSize = sizeof info;
                    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
                    info.nMax = band - 1;
                    info.nPage = static_cast<UINT>(bandShown);
                    SetScrollInfo(scrollFrame, SB_VERT, &info, FALSE);
                    ownWindows_.push_back(scrollFrame);
                }
                into = scrollFrame;
                OffsetRect(&rect, -textX, -y);
                const int id = kFirstControlId + static_cast<int>(controls_.size());
                pendingRows_.push_back({node, rect, id});
                controls_.push_back(node);
                continue;
            } else if (scrolledRows) {
                OffsetRect(&rect, 0, -(band - bandShown));
            }
            const int id = kFirstControlId + static_cast<int>(controls_.size());
            node->createControl({into, rect, id, *fonts_});
            if (node->hwnd()) controls_.push_back(node);
        }
    }

    for (Win32ViewNode* node : controls_) {
        if (node->hwnd()) addTooltip(*node);
    }
    // The first two screenfuls of a long list now, the rest as the alert
    // waits for an answer.
    makeRows(2 * bandShown, std::chrono::milliseconds(0));

    // The buttons, the first rightmost and default.
    int right = client_.cx - margin;
    const int buttonTop = footerTop_ + px(kBandPadding);
    for (size_t i = 0; i < buttonTitles_.size(); ++i) {
        const std::wstring text = plainButtonText(buttonTitles_[i]);
        const int width = std::max(px(kButtonMinWidth), static_cast<int>(measure(textFont, text, 0).cx) + 2 * px(kButtonPadding));
        const int id = static_cast<int>(kAlertFirstButtonReturn + static_cast<long>(i));
        HWND button = makeChild(parent, L"BUTTON", text, WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                                {right - width, buttonTop, right, buttonTop + buttonHeight}, id);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(textFont), FALSE);
        setAccessibleText(button, AccessibleText::Name, widen(buttonTitles_[i]));
        buttons_.push_back(button);
        right -= width + px(kButtonGap);
    }
    if (!buttons_.empty()) SendMessageW(dialog_, DM_SETDEFID, kAlertFirstButtonReturn, 0);

    HWND titleWindow = makeChild(parent, L"STATIC", title, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, titleRect);
    SendMessageW(titleWindow, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont), FALSE);
    ownWindows_.push_back(titleWindow);
    if (informativeHeight) {
        // A text too long for the screen scrolls in its place, as read-only
        // text the keyboard can reach; otherwise it is a plain label.
        // The edit control breaks lines only at CR LF.
        std::wstring lines;
        for (wchar_t c : informative) {
            if (c == L'\n' && textScrolls) lines += L'\r';
            lines += c;
        }
        textWindow_ = textScrolls
                          ? makeChild(parent, L"EDIT", lines,
                                      WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY, informativeRect)
                          : makeChild(parent, L"STATIC", informative, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL,
                                      informativeRect);
        SendMessageW(textWindow_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont), FALSE);
        ownWindows_.push_back(textWindow_);
    }

    client_.cy = footerTop_ + bandHeight;
}

// A control whose text is cut shows it whole in a tooltip.
void Win32Alert::addTooltip(Win32ViewNode& node) {
    std::wstring tip = node.tooltip();
    if (tip.empty()) return;
    if (!tips_) {
        tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        if (!tips_) return;
        SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, fonts_->metrics().px(kTextWidth));
        ownWindows_.push_back(tips_);
    }
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog_;
    tool.uId = reinterpret_cast<UINT_PTR>(node.hwnd());
    tool.lpszText = tip.data();
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32Alert::makeRows(int bottom, std::chrono::milliseconds budget) {
    if (nextRow_ >= pendingRows_.size() || !scrollFrame_) return;
    // Made in list order, each after the one before, so that the Tab order
    // and a screen reader's order stay the list's; placed where the list
    // has scrolled to.
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    GetScrollInfo(scrollFrame_, SB_VERT, &info);
    RECT frame{};
    GetClientRect(scrollFrame_, &frame);
    const auto until = std::chrono::steady_clock::now() + budget;
    while (nextRow_ < pendingRows_.size()) {
        const RECT& first = pendingRows_[nextRow_].rect;
        if (first.top >= bottom && std::chrono::steady_clock::now() >= until) break;
        const size_t end = std::min(pendingRows_.size(), nextRow_ + kRowsPerBox);
        const int top = first.top;
        const int height = pendingRows_[end - 1].rect.bottom - top;
        if (!rowsNursery_) {
            rowsNursery_ = CreateWindowExW(0, kRowsClass, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                           GetModuleHandleW(nullptr), nullptr);
            if (rowsNursery_) ownWindows_.push_back(rowsNursery_);
        }
        HWND box = CreateWindowExW(WS_EX_CONTROLPARENT, kRowsClass, L"", WS_CHILD, 0, 0, frame.right, height,
                                   rowsNursery_ ? rowsNursery_ : scrollFrame_, nullptr, GetModuleHandleW(nullptr),
                                   nullptr);
        for (; nextRow_ < end; ++nextRow_) {
            PendingRow& row = pendingRows_[nextRow_];
            RECT rect = row.rect;
            OffsetRect(&rect, 0, -top);
            if (box) row.node->createControl({box, rect, row.id, *fonts_});
            if (row.node->hwnd()) addTooltip(*row.node);
        }
        if (box) {
            SetParent(box, scrollFrame_);
            SetWindowPos(box, HWND_BOTTOM, 0, top - info.nPos, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
            ownWindows_.push_back(box);
        }
    }
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
                // Return where no button has the focus: the default button.
                if (!buttons_.empty()) finish(kAlertFirstButtonReturn);
                return TRUE;
            }
            if (id == IDCANCEL && !lParam) {
                // Escape presses "Cancel" where there is one and does nothing
                // otherwise: an alert is never dismissed without an answer
                // the dialog knows.
                if (cancelIndex_ >= 0) finish(kAlertFirstButtonReturn + cancelIndex_);
                return TRUE;
            }
            if (Win32ViewNode* node = nodeForId(id)) node->command(code);
            return TRUE;
        }
        case WM_CLOSE:
            // The close box: the run ends without a button.
            finish(kModalResponseCancel);
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
        std::wstring text = widen(messageText_);
        if (!informativeText_.empty()) text += L"\r\n\r\n" + widen(informativeText_);
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
    for (size_t i = 0; i < buttonTitles_.size(); ++i) {
        if (buttonTitles_[i] == "Cancel") {
            cancelIndex_ = static_cast<int>(i);
            break;
        }
    }
    EmptyDialog empty{};
    empty.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
    empty.header.dwExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &empty.header, nullptr, dialogProc,
                                             reinterpret_cast<LPARAM>(this));
    if (!dialog) {
        // The desktop went away after the check: no answer can be given.
        std::fputs("setup-dialog: lost the display before an answer\n", stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    SetWindowTextW(dialog_, widen(messageText_).c_str());
    // The alert makes itself again at a new DPI (WM_DPICHANGED below); the
    // system's own rescaling of dialogs would resize it a second time.
    // Asked for by name: the call is newer than the rest (Windows 10 1703).
    using DpiBehavior = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    if (auto setBehavior = reinterpret_cast<DpiBehavior>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")))) {
        setBehavior(dialog_, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
    }
    if (image_) {
        windowIcon_ = image_->makeIcon(GetSystemMetricsForDpi(SM_CXICON, GetDpiForWindow(dialog_)));
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
            finish(kModalResponseCancel);
            break;
        }
        if (got == -1) {
            finish(kModalResponseCancel);
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
