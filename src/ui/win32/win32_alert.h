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

#include "ui/alert/alert_model.h"
#include "ui/alert/capabilities.h"
#include "ui/alert/input_guard.h"
#include "ui/arena.h"
#include "ui/toolkit.h"
#include "ui/toolkit_host.h"
#include "ui/win32/win32_controls.h"

namespace ui::win32 {

using alert::InputGuard;
using alert::KeyEvent;

// What the Win32 alert does where backends may differ, following Windows'
// own alerts. A text that scrolls takes the focus too (after the buttons),
// so that the keyboard can scroll it.
inline constexpr alert::Capabilities kCapabilities{
    .nativeAlert = false,
    .keepsOnTop = true,
    .showsIcon = true,
    .tabReachesBoxes = true,
    // Windows skips a disabled control on Tab.
    .lockedBoxInTabOrder = false,
    .textsInTabOrder = false,
    .scrollsLongText = true,
    // Return presses the focused button, else the default one.
    .returnKey = alert::ReturnKey::FocusedButton,
    .editKeys = alert::EditKeys::MenuBindings,
    .keyGuard = alert::KeyGuard::QuietTime,
};

// What an alert needs of the application that made it.
class AlertHost {
public:
    // The main menu, whose key equivalents the alert binds.
    virtual const Win32Menu* mainMenu() const = 0;
    // Whether the program asked to come to the front.
    virtual bool activationRequested() const = 0;
    // Ends the run with no answer (the program writes the line); never
    // returns.
    virtual void endRun(EarlyEnd why) const = 0;

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

    void setMessageText(const std::string& text) override { model_.messageText = text; }
    void setInformativeText(const std::string& text) override { model_.informativeText = text; }
    void setAlertStyle(int style) override { model_.style = style; }
    void setIcon(const Image& icon) override { model_.icon = &icon; }
    void addButtonWithTitle(const std::string& title) override { model_.buttons.push_back(title); }
    void setAccessoryView(View& view) override { accessory_ = &nodeOf<Win32ViewNode>(view); }
    // The geometry follows the DPI of the monitor the alert opens on, so it
    // is worked out when the window is made.
    void layout() override {}
    Window& window() override { return window_; }
    long runModal() override;

    void setFloating(bool floating) { floating_ = floating; }
    void setFirstResponder(Win32ViewNode* node) { firstResponder_ = node; }

private:
    // The accessory's controls' ids, from here on; the buttons' ids are their
    // run results.
    static constexpr int kFirstControlId = 2000;

    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void build(UINT dpi);
    void destroyControls();
    void place();
    bool keyHandled(const MSG& message);
    void performMenuAction(MenuAction action);
    void finish(long result);
    // Ends the run with what the engine says an ending answers, if anything.
    void end(alert::Ending ending);
    const Win32Image* image() const { return static_cast<const Win32Image*>(model_.icon); }
    void addTooltip(Win32ViewNode& node);
    // Makes the rows of a long list that are still to be made: all those
    // down to `bottom` (pixels in the list's own coordinates), then more
    // until `budget` runs out.
    void makeRows(int bottom, std::chrono::milliseconds budget);
    Win32ViewNode* nodeForId(int id) const;
    const Win32ViewNode* nodeForWindow(HWND hwnd) const;

    const AlertHost& host_;
    Win32Window window_;
    alert::AlertModel model_;
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
    InputGuard guard_;
    bool done_ = false;
    long result_ = kModalResponseCancel;
};

}  // namespace ui::win32
