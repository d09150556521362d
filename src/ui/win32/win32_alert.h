// The alert of the Win32 backend: a dialog laid out as Windows lays out its
// own alerts, the icon at the top left, the bold title and the texts beside
// it with the accessory view under them, and the buttons at the bottom right
// on a band of their own, the first one rightmost and default.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ui/arena.h"
#include "ui/alert/input_guard.h"
#include "ui/toolkit.h"
#include "ui/win32/win32_controls.h"

namespace ui::win32 {

using alert::InputGuard;
using alert::KeyEvent;

// What an alert needs of the application that made it.
class AlertHost {
public:
    // The main menu, whose key equivalents the alert binds.
    virtual const Win32Menu* mainMenu() const = 0;
    // Whether the program asked to come to the front.
    virtual bool activationRequested() const = 0;

protected:
    ~AlertHost() = default;
};

class Win32Alert;

class Win32Window final : public Window {
public:
    explicit Win32Window(Win32Alert& alert) : alert_(alert) {}
    void setLevel(int level) override;
    void makeFirstResponder(View& view) override;

private:
    Win32Alert& alert_;
};

class Win32Alert final : public Alert, public Owned {
public:
    explicit Win32Alert(const AlertHost& host) : host_(host), window_(*this) {}
    ~Win32Alert() override;
    Win32Alert(const Win32Alert&) = delete;
    Win32Alert& operator=(const Win32Alert&) = delete;

    void setMessageText(const std::string& text) override { messageText_ = text; }
    void setInformativeText(const std::string& text) override { informativeText_ = text; }
    void setAlertStyle(int style) override { style_ = style; }
    void setIcon(const Image& icon) override { image_ = &static_cast<const Win32Image&>(icon); }
    void addButtonWithTitle(const std::string& title) override { buttonTitles_.push_back(title); }
    void setAccessoryView(View& view) override { accessory_ = &nodeOf<Win32ViewNode>(view); }
    // The geometry follows the DPI of the monitor the alert opens on, so it
    // is worked out when the window is made.
    void layout() override {}
    Window& window() override { return window_; }
    long runModal() override;

    void setFloating(bool floating) { floating_ = floating; }
    void setFirstResponder(Win32ViewNode* node) { firstResponder_ = node; }

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void build(UINT dpi);
    void destroyControls();
    void place();
    bool keyHandled(const MSG& message);
    void performMenuAction(MenuAction action);
    void finish(long result);
    void addTooltip(Win32ViewNode& node);
    // Makes the rows of a long list that are still to be made: all those
    // down to `bottom` (pixels in the list's own coordinates), then more
    // until `budget` runs out.
    void makeRows(int bottom, std::chrono::milliseconds budget);
    Win32ViewNode* nodeForId(int id) const;
    const Win32ViewNode* nodeForWindow(HWND hwnd) const;

    const AlertHost& host_;
    Win32Window window_;
    std::string messageText_;
    std::string informativeText_;
    int style_ = kAlertStyleWarning;
    const Win32Image* image_ = nullptr;
    std::vector<std::string> buttonTitles_;
    Win32ViewNode* accessory_ = nullptr;
    Win32ViewNode* firstResponder_ = nullptr;
    bool floating_ = false;

    HWND dialog_ = nullptr;
    std::unique_ptr<FontCache> fonts_;
    std::vector<Win32ViewNode*> controls_;  // accessory nodes with windows, by id
    std::vector<HWND> buttons_;
    std::vector<HWND> ownWindows_;  // icon, texts, scroll frame
    HWND textWindow_ = nullptr;
    HWND tips_ = nullptr;
    HWND scrollFrame_ = nullptr;
    HWND rowsNursery_ = nullptr;  // hidden: where boxes of rows are filled
    // Rows of a scrolled list made once the alert shows, in list order: a
    // window each is slow to make by the thousand, and only a screenful is
    // seen at first.
    struct PendingRow {
        Win32ViewNode* node;
        RECT rect;  // in the list's coordinates, unscrolled
        int id;
    };
    std::vector<PendingRow> pendingRows_;
    size_t nextRow_ = 0;
    HICON icon_ = nullptr;
    HICON windowIcon_ = nullptr;
    SIZE client_{};
    int footerTop_ = 0;
    int cancelIndex_ = -1;
    InputGuard guard_;
    bool done_ = false;
    long result_ = kModalResponseCancel;
};

}  // namespace ui::win32
