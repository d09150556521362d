// Making the alert's windows at one DPI: everything measured first, so that
// what must scroll is known before any control is made.
#include "ui/win32/win32_alert.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "ui/alert/screen_plan.h"
#include "ui/alert/tab_order.h"
#include "ui/display_text.h"
#include "ui/view_tree.h"
#include "ui/win32/win32_scroll.h"
#include "ui/win32/win32_text.h"

namespace ui::win32 {

namespace {

// A long list's rows go into boxes of this many, each filled inside a hidden
// window and moved into the list once full: under Wine a window made inside
// a shown one costs several times more, and a box moves its rows at once.
constexpr size_t kRowsPerBox = 50;

// The dialogs' spacing, in points.
constexpr double kMargin = 16;
constexpr double kIconGap = 12;
constexpr double kTextGap = 8;
constexpr double kSectionGap = 12;
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

}  // namespace

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
    const int wanted = metrics.px(2 * kMargin + kIconGap + alert::textWidth(accessoryPoints)) + iconSide;
    if (const double shrink = alert::widthShrink(wanted, room); shrink < 1) {
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
    int textWidth = px(alert::textWidth(accessoryPoints));

    HFONT titleFont = fonts_->bold(kTitleFontFactor);
    HFONT textFont = fonts_->font(nullptr);
    const std::wstring title = widen(model_.messageText);
    const std::wstring informative = widen(model_.informativeText);
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

    // What scrolls in an alert taller than the work area is the engine's
    // plan; neither scrolled part has a border here.
    std::vector<PlacedNode> placed;
    ScrolledRows accessoryBand;
    if (accessory_) {
        placed = inReadingOrder(*accessory_);
        accessoryBand = ui::scrolledRows(*accessory_);
    }
    alert::FitInput fit;
    fit.available = (monitor.rcWork.bottom - monitor.rcWork.top) - (frame.bottom - frame.top) - bandHeight;
    fit.minimum = px(alert::kMinimumScrolledHeight);
    if (kCapabilities.scrollsLongText) fit.text.needed = informativeHeight;
    if (accessory_) fit.band.needed = px(accessoryBand.height);
    fit.fixed = contentHeight(informativeHeight, accessoryHeight) - fit.text.needed - fit.band.needed;
    const alert::FitPlan plan = alert::fitToScreen(fit);
    const bool textScrolls = plan.textScrolls;
    if (textScrolls) informativeHeight = static_cast<int>(plan.textShown);
    size_t scrolledRows = 0;  // how many of `placed` sit in the scroll frame
    int band = 0;              // the scrolled band's height, pixels
    int bandShown = 0;
    if (plan.bandScrolls) {
        band = static_cast<int>(fit.band.needed);
        bandShown = static_cast<int>(plan.bandShown);
        scrolledRows = accessoryBand.rows.empty() ? placed.size() : accessoryBand.rows.size();
    }
    if (scrolledRows) textWidth = std::max(textWidth, px(accessoryPoints) + scrollBar);
    const int accessoryShown = accessoryHeight - (band - bandShown);

    client_.cx = textX + textWidth + margin;
    footerTop_ = contentHeight(informativeHeight, accessoryShown);

    // Icons: the picture given, else the stock sign of the style.
    const HWND parent = dialog_;
    if (image()) icon_ = image()->makeIcon(iconSide);
    if (!icon_) icon_ = stockIcon(model_.style == kAlertStyleInformational, iconSide);
    HWND iconWindow = makeChild(parent, L"STATIC", L"", SS_ICON | SS_REALSIZECONTROL | SS_CENTERIMAGE,
                                {margin, margin, margin + iconSide, margin + iconSide});
    SendMessageW(iconWindow, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
    setAccessibleText(iconWindow, AccessibleText::Name, widen(alert::stockSignName(model_.style)));
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

    // The Tab chain is the engine's: the controls that take the focus, in
    // reading order, then the buttons. Windows follows the order windows
    // are made in, so they are made in reading order, and the buttons in
    // the chain's order after them.
    // A locked box may be unlocked during the run, so it keeps its stop:
    // Windows itself skips a disabled control.
    std::vector<alert::Focus> focus;
    for (const PlacedNode& node : placed) {
        const alert::Focus kind = static_cast<Win32ViewNode*>(node.node)->focus();
        focus.push_back(kind == alert::Focus::LockedCheckbox ? alert::Focus::Checkbox : kind);
    }
    const std::vector<alert::TabStop> chain =
        alert::tabOrder(focus, model_.buttons.size(), !informative.empty(), kCapabilities);
    std::vector<size_t> buttonOrder;
    for (const alert::TabStop& stop : chain) {
        if (stop.kind == alert::TabStop::Kind::Control) {
            static_cast<Win32ViewNode*>(placed[stop.index].node)->setTabStop(true);
        }
        if (stop.kind == alert::TabStop::Kind::Button) buttonOrder.push_back(stop.index);
    }

    // The accessory view's controls, in reading order.
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
    std::vector<RECT> buttonRects;
    int right = client_.cx - margin;
    const int buttonTop = footerTop_ + px(kBandPadding);
    for (const std::string& title : model_.buttons) {
        const int width = std::max(px(kButtonMinWidth),
                                   static_cast<int>(measure(textFont, plainButtonText(title), 0).cx) + 2 * px(kButtonPadding));
        buttonRects.push_back({right - width, buttonTop, right, buttonTop + buttonHeight});
        right -= width + px(kButtonGap);
    }
    buttons_.assign(model_.buttons.size(), nullptr);
    for (size_t i : buttonOrder) {
        const bool isDefault = model_.roleOf(i) == alert::ButtonRole::Default;
        const int id = static_cast<int>(alert::resultOfButton(i));
        HWND button = makeChild(parent, L"BUTTON", plainButtonText(model_.buttons[i]),
                                WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), buttonRects[i], id);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(textFont), FALSE);
        setAccessibleText(button, AccessibleText::Name, widen(model_.buttons[i]));
        buttons_[i] = button;
    }
    if (const auto onReturn = model_.answerFor(alert::Ending::Return)) {
        SendMessageW(dialog_, DM_SETDEFID, static_cast<WPARAM>(*onReturn), 0);
    }

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
        SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, fonts_->metrics().px(alert::kTextWidth));
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

}  // namespace ui::win32
