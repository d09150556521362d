// The AppKit backend's alert: NSAlert itself, given what it leaves to its
// caller: a Tab order through the accessory view's fields, a fit to the
// screen it opens on, and the input guard. Objective-C++: included by the
// backend's .mm files only.
#pragma once

#import <AppKit/AppKit.h>

#include <string>

#include "ui/alert/capabilities.h"
#include "ui/alert/screen_plan.h"
#include "ui/appkit/appkit_controls.hh"
#include "ui/toolkit.h"

namespace ui::appkit {

// NSAlert is the platform's own alert: it decides its keys, its texts and
// its look; the engine gives it the Tab chain and the fit to the screen.
// With the keyboard set to move between text boxes only (macOS's default),
// Tab reaches the fields and the buttons, never a checkbox.
inline constexpr alert::Capabilities kCapabilities{
    .nativeAlert = true,
    .keepsOnTop = true,
    .showsIcon = true,
    .tabReachesBoxes = false,
    .lockedBoxInTabOrder = false,
    .textsInTabOrder = false,
    .scrollsLongText = false,
    .returnKey = alert::ReturnKey::DefaultButton,
    .editKeys = alert::EditKeys::MenuBar,
    .keyGuard = alert::KeyGuard::QuietTime,
};

inline NSAlertStyle alertStyleOf(int style) {
    return style == kAlertStyleInformational ? NSAlertStyleInformational : NSAlertStyleWarning;
}

class AppKitAlert;

class AppKitWindow final : public Window {
public:
    explicit AppKitWindow(AppKitAlert& alert) : alert_(alert) {}
    void setLevel(int level) override;
    void makeFirstResponder(View& view) override;

private:
    AppKitAlert& alert_;
};

class AppKitAlert final : public Alert, public Owned {
public:
    AppKitAlert() : alert_(Retained<NSAlert>::adopt([[NSAlert alloc] init])), window_(*this) {}

    void setMessageText(const std::string& text) override {
        [alert_.get() setMessageText:toNSString(text)];
    }

    void setInformativeText(const std::string& text) override {
        [alert_.get() setInformativeText:toNSString(text)];
    }

    void setAlertStyle(int style) override { [alert_.get() setAlertStyle:alertStyleOf(style)]; }

    void setIcon(const Image& icon) override {
        [alert_.get() setIcon:static_cast<const AppKitImage&>(icon).image.get()];
    }

    void addButtonWithTitle(const std::string& title) override {
        [alert_.get() addButtonWithTitle:toNSString(title)];
    }

    void setAccessoryView(View& view) override {
        accessoryNode_ = &nodeOf<ViewNode>(view);
        accessory_ = accessoryNode_->nsView();
        [alert_.get() setAccessoryView:accessory_];
    }

    void layout() override {
        [alert_.get() layout];
        chainKeyViews();
        fitAccessoryToScreen();
    }

    Window& window() override { return window_; }

    long runModal() override;

    NSWindow* nsWindow() const { return [alert_.get() window]; }

private:
    void chainKeyViews();
    void fitAccessoryToScreen();

    Retained<NSAlert> alert_;
    AppKitWindow window_;
    ViewNode* accessoryNode_ = nullptr;  // the dialog's, in the run's arena
    NSView* accessory_ = nil;  // owned by its own wrapper
    Retained<NSScrollView> scroll_;
    Retained<NSView> holder_;  // the rows' scroll view and what stands under it
};

}  // namespace ui::appkit
