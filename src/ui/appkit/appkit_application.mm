// The AppKit backend's application: the factory of its objects (declared in
// appkit_controls.hh and appkit_alert.hh). Each operation of the toolkit
// interface is the AppKit call of the same name. Geometry needs no
// conversion, since AppKit also puts the origin at the bottom-left with y
// growing upward.
//
// Built without ARC (the CMake target passes -fno-objc-arc): the application
// object owns every Objective-C object it makes and releases it itself.
#if __has_feature(objc_arc)
#error "the AppKit backend uses manual retain/release; build it with -fno-objc-arc"
#endif

#include "ui/appkit/appkit_application.h"

#include "ui/appkit/appkit_alert.hh"
#include "ui/appkit/appkit_controls.hh"
#include "ui/arena.h"
#include "ui/image_header.h"
#include "ui/quiet_output.h"
#include "ui/window_backend.h"

#import <AppKit/AppKit.h>
#if __has_include(<CoreGraphics/CoreGraphics.h>)
#import <CoreGraphics/CoreGraphics.h>
#endif

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The interface's numbers are AppKit's own, so they cross unchanged.
static_assert(NSAlertFirstButtonReturn == ui::kAlertFirstButtonReturn);
static_assert(NSAlertSecondButtonReturn == ui::kAlertSecondButtonReturn);
static_assert(NSAlertThirdButtonReturn == ui::kAlertThirdButtonReturn);
static_assert(NSControlStateValueOff == ui::kControlStateValueOff);
static_assert(NSControlStateValueOn == ui::kControlStateValueOn);
static_assert(NSControlStateValueMixed == ui::kControlStateValueMixed);
static_assert(NSApplicationActivationPolicyRegular == ui::kApplicationActivationPolicyRegular);
static_assert(NSEventModifierFlagShift == ui::kEventModifierFlagShift);
static_assert(NSEventModifierFlagControl == ui::kEventModifierFlagControl);
static_assert(NSEventModifierFlagOption == ui::kEventModifierFlagOption);
static_assert(NSEventModifierFlagCommand == ui::kEventModifierFlagCommand);

namespace ui::appkit {

namespace {

class AppKitApplication final : public Application {
public:
    AppKitApplication() : pool_([[NSAutoreleasePool alloc] init]) {
        // Foundation reads "-Name value" pairs of the command line as settings
        // (its argument domain), and AppKit obeys them: "migrate -NSFontSize
        // 24" would set the font size. An item is never an option of the
        // toolkit, so the domain goes before AppKit reads it.
        [[NSUserDefaults standardUserDefaults] removeVolatileDomainForName:NSArgumentDomain];
    }

    ~AppKitApplication() override {
        // Everything made during the run first, then the scope it was made in.
        arena_.clear();
        [pool_ drain];
    }

    void setActivationPolicy(int policy) override {
        policy_ = static_cast<NSApplicationActivationPolicy>(policy);
        if (app_) [app_ setActivationPolicy:*policy_];
    }

    void setMainMenu(Menu& menu) override {
        mainMenu_ = static_cast<AppKitMenu&>(menu).menu.get();
        if (app_) [app_ setMainMenu:mainMenu_];
    }

    void activateIgnoringOtherApps(bool ignoring) override {
        [startedApp() activateIgnoringOtherApps:ignoring];
    }

    // A login session with the window server; over plain SSH there is none.
    bool canShowWindows() override {
        if (!session_) {
            CFDictionaryRef session = CGSessionCopyCurrentDictionary();
            session_ = session != nullptr;
            if (session) CFRelease(session);
        }
        return *session_;
    }

    // Each scope is an autorelease pool of its own, drained with the objects
    // the scope made.
    std::size_t openScope() override {
        scopePools_.push_back([[NSAutoreleasePool alloc] init]);
        return arena_.mark();
    }

    void closeScope(std::size_t scope) override {
        arena_.releaseTo(scope);
        if (scopePools_.empty()) return;
        [scopePools_.back() drain];
        scopePools_.pop_back();
    }

    Alert& makeAlert() override {
        startedApp();
        return arena_.own(std::make_unique<AppKitAlert>());
    }

    View& makeView(Rect frame) override {
        startedApp();
        return arena_.own(std::make_unique<AppKitPlainView>(frame));
    }

    Checkbox& makeCheckbox(const std::string& title, Checkbox::Action action) override {
        startedApp();
        return arena_.own(std::make_unique<AppKitCheckbox>(title, std::move(action)));
    }

    TextField& makeLabel(const std::string& text) override {
        startedApp();
        return arena_.own(std::make_unique<AppKitTextField>(
            Retained<NSTextField>::retain([NSTextField labelWithString:toNSString(text)])));
    }

    TextField& makeWrappingLabel(const std::string& text) override {
        startedApp();
        return arena_.own(std::make_unique<AppKitTextField>(Retained<NSTextField>::retain(
            [NSTextField wrappingLabelWithString:toNSString(text)])));
    }

    TextField& makeTextField(Rect frame) override {
        startedApp();
        return arena_.own(std::make_unique<AppKitTextField>(Retained<NSTextField>::adopt([[NSTextField alloc]
            initWithFrame:NSMakeRect(frame.x, frame.y, frame.width, frame.height)])));
    }

    const Font& systemFontOfSize(double size) override {
        startedApp();
        return arena_.own(std::make_unique<AppKitFont>([NSFont systemFontOfSize:size]));
    }

    double smallSystemFontSize() override {
        startedApp();
        return [NSFont smallSystemFontSize];
    }

    const Font& monospacedSystemFontOfSize(double size, double weight) override {
        startedApp();
        return arena_.own(std::make_unique<AppKitFont>([NSFont monospacedSystemFontOfSize:size
                                                                            weight:weight]));
    }

    const Color& secondaryLabelColor() override {
        startedApp();
        return arena_.own(std::make_unique<AppKitColor>([NSColor secondaryLabelColor]));
    }

    const Image* imageWithContentsOfFile(const std::string& path) override {
        startedApp();
        // Only a regular file: a pipe or a device under that name would block
        // the read, and the alert would never appear. A NUL cannot be in a
        // path the file system knows.
        struct stat info {};
        if (path.find('\0') != std::string::npos || stat(path.c_str(), &info) != 0 ||
            !S_ISREG(info.st_mode) || !isUsableIconFile(path)) {
            return nullptr;
        }
        auto image = Retained<NSImage>::adopt(
            [[NSImage alloc] initWithContentsOfFile:toNSString(path)]);
        if (!image) return nullptr;
        return &arena_.own(std::make_unique<AppKitImage>(std::move(image)));
    }

    Menu& makeMenu(const std::string& title) override {
        return arena_.own(std::make_unique<AppKitMenu>(title, arena_));
    }

    MenuItem& makeMenuItem(const std::string& title, MenuAction action,
                           const std::string& keyEquivalent) override {
        return arena_.own(std::make_unique<AppKitMenuItem>(Retained<NSMenuItem>::adopt([[NSMenuItem alloc]
            initWithTitle:toNSString(title)
                   action:selectorOf(action)
            keyEquivalent:toNSString(keyEquivalent)])));
    }

    MenuItem& separatorItem() override {
        id separator = [NSMenuItem separatorItem];  // typed like the added items above
        return arena_.own(std::make_unique<AppKitMenuItem>(Retained<NSMenuItem>::retain(separator)));
    }

private:
    // AppKit starts with the first window or control; the policy and the
    // main menu asked for before then are applied as it does.
    NSApplication* startedApp() {
        if (app_) return app_;
        silenceToolkitOutput(/*keepCopy=*/false);
        app_ = [NSApplication sharedApplication];
        if (policy_) [app_ setActivationPolicy:*policy_];
        if (mainMenu_) [app_ setMainMenu:mainMenu_];
        return app_;
    }

    NSAutoreleasePool* pool_;
    std::vector<NSAutoreleasePool*> scopePools_;
    NSApplication* app_ = nil;  // the shared one, never released
    std::optional<NSApplicationActivationPolicy> policy_;
    NSMenu* mainMenu_ = nil;  // owned by its wrapper in the arena
    std::optional<bool> session_;
    Arena arena_;
};

}  // namespace

// AppKit reports no early end of its own: when the window server goes away
// it ends the process itself, as macOS programs do.
std::unique_ptr<Application> makeApplication(const ToolkitHost& /*host*/) {
    return std::make_unique<AppKitApplication>();
}

}  // namespace ui::appkit

std::unique_ptr<ui::Application> ui::makeWindowApplication(const ToolkitHost& host) {
    return appkit::makeApplication(host);
}
