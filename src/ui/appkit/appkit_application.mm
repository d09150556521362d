// The AppKit backend: each operation of the toolkit interface is the AppKit
// call of the same name. Geometry needs no conversion, since AppKit also puts
// the origin at the bottom-left with y growing upward.
//
// Built without ARC (the CMake target passes -fno-objc-arc): the application
// object owns every Objective-C object it makes and releases it itself.
#if __has_feature(objc_arc)
#error "appkit_application.mm uses manual retain/release; build it with -fno-objc-arc"
#endif

#include "ui/appkit/appkit_application.h"

#include "ui/arena.h"
#include "ui/display_text.h"
#include "ui/image_header.h"
#include "ui/alert/input_guard.h"
#include "ui/quiet_output.h"
#include "ui/alert/screen_plan.h"
#include "ui/view_tree.h"
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

namespace ui::appkit::detail {

// Where a checkbox's click goes on the C++ side.
class ClickReceiver {
public:
    virtual void clicked() = 0;

protected:
    ~ClickReceiver() = default;
};

}  // namespace ui::appkit::detail

// A control needs an object to send its action to; this one hands the click
// to the checkbox that owns it. It does not own the receiver.
@interface SetupDialogCheckboxTarget : NSObject {
@private
    ui::appkit::detail::ClickReceiver* receiver_;
}
- (instancetype)initWithReceiver:(ui::appkit::detail::ClickReceiver*)receiver;
- (void)disconnect;
- (void)checkboxClicked:(id)sender;
@end

@implementation SetupDialogCheckboxTarget
- (instancetype)initWithReceiver:(ui::appkit::detail::ClickReceiver*)receiver {
    self = [super init];
    if (self) receiver_ = receiver;
    return self;
}

- (void)disconnect {
    receiver_ = nullptr;
}

- (void)checkboxClicked:(id)sender {
    (void)sender;
    if (receiver_) receiver_->clicked();
}
@end

// Tells the input guard when the alert's window gains and loses the key
// focus. It does not own the guard.
@interface SetupDialogKeyFocusWatcher : NSObject {
@private
    ui::alert::InputGuard* guard_;
}
- (instancetype)initWithGuard:(ui::alert::InputGuard*)guard;
- (void)windowDidBecomeKey:(NSNotification*)notification;
- (void)windowDidResignKey:(NSNotification*)notification;
@end

@implementation SetupDialogKeyFocusWatcher
- (instancetype)initWithGuard:(ui::alert::InputGuard*)guard {
    self = [super init];
    if (self) guard_ = guard;
    return self;
}

- (void)windowDidBecomeKey:(NSNotification*)notification {
    (void)notification;
    guard_->activated(ui::alert::InputGuard::Clock::now());
}

- (void)windowDidResignKey:(NSNotification*)notification {
    (void)notification;
    guard_->deactivated();
}
@end

namespace ui::appkit {

using alert::InputGuard;
using alert::KeyEvent;
using alert::kMinimumScrolledHeight;
using alert::leadingRowCount;

namespace {

// Text crosses as UTF-8 by length, so that a NUL byte inside it survives.
// Bytes that are not UTF-8 give the empty string: AppKit raises on nil.
NSString* toNSString(const std::string& text) {
    NSString* string = [[NSString alloc] initWithBytes:text.data()
                                                length:text.size()
                                              encoding:NSUTF8StringEncoding];
    if (!string) return @"";
    return [string autorelease];
}

std::string toStdString(NSString* string) {
    if (!string) return {};
    // Lossy only for a lone surrogate, which has no UTF-8 form at all.
    NSData* bytes = [string dataUsingEncoding:NSUTF8StringEncoding allowLossyConversion:YES];
    if (!bytes) return {};
    return std::string(static_cast<const char*>([bytes bytes]), [bytes length]);
}

// One reference to an Objective-C object, given up when this ends.
template <class T>
class Retained {
public:
    // Takes over a reference the caller already holds (alloc/init).
    static Retained adopt(T* object) { return Retained(object); }
    // Adds a reference of its own (objects handed out autoreleased).
    static Retained retain(T* object) { return Retained([object retain]); }

    Retained() = default;
    Retained(Retained&& other) noexcept : object_(std::exchange(other.object_, nil)) {}
    Retained& operator=(Retained&& other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    Retained(const Retained&) = delete;
    Retained& operator=(const Retained&) = delete;
    ~Retained() { [object_ release]; }

    T* get() const { return object_; }
    explicit operator bool() const { return object_ != nil; }

private:
    explicit Retained(T* object) : object_(object) {}
    T* object_ = nil;
};

class AppKitFont final : public Font, public Owned {
public:
    explicit AppKitFont(NSFont* font) : font(Retained<NSFont>::retain(font)) {}
    Retained<NSFont> font;
};

class AppKitColor final : public Color, public Owned {
public:
    explicit AppKitColor(NSColor* color) : color(Retained<NSColor>::retain(color)) {}
    Retained<NSColor> color;
};

class AppKitImage final : public Image, public Owned {
public:
    explicit AppKitImage(Retained<NSImage> image) : image(std::move(image)) {}
    Retained<NSImage> image;
};

// The AppKit side of every view.
class ViewNode : public Owned {
public:
    virtual NSView* nsView() const = 0;
};

NSView* nsViewOf(View& view) { return nodeOf<ViewNode>(view).nsView(); }

template <class Interface, class AppKitClass>
class ViewOf : public Interface, public ViewNode {
public:
    explicit ViewOf(Retained<AppKitClass> view) : view_(std::move(view)) {}

    NSView* nsView() const override { return view_.get(); }

    void setFrame(Rect frame) override {
        [view_.get() setFrame:NSMakeRect(frame.x, frame.y, frame.width, frame.height)];
    }

    void addSubview(View& subview) override { [view_.get() addSubview:nsViewOf(subview)]; }

protected:
    AppKitClass* control() const { return view_.get(); }

private:
    Retained<AppKitClass> view_;
};

class AppKitPlainView final : public ViewOf<View, NSView> {
public:
    explicit AppKitPlainView(Rect frame)
        : ViewOf(Retained<NSView>::adopt([[NSView alloc]
              initWithFrame:NSMakeRect(frame.x, frame.y, frame.width, frame.height)])) {}
};

class AppKitCheckbox final : public ViewOf<Checkbox, NSButton>, private detail::ClickReceiver {
public:
    AppKitCheckbox(const std::string& title, Action action)
        : ViewOf(Retained<NSButton>::retain([NSButton checkboxWithTitle:toNSString(isolatedName(title))
                                                                  target:nil
                                                                  action:nullptr])),
          title_(title),
          action_(std::move(action)) {
        // A title longer than its row ends in "…" rather than being cut off.
        [[control() cell] setLineBreakMode:NSLineBreakByTruncatingTail];
        // What is shown is isolated; a screen reader reads the name itself.
        [control() setAccessibilityLabel:toNSString(title)];
        if (action_) {
            target_ = Retained<SetupDialogCheckboxTarget>::adopt(
                [[SetupDialogCheckboxTarget alloc] initWithReceiver:this]);
            [control() setTarget:target_.get()];
            [control() setAction:@selector(checkboxClicked:)];
        }
    }

    ~AppKitCheckbox() override {
        // The button may outlive this object inside its superview; it must
        // not send to a receiver that is gone.
        [control() setTarget:nil];
        [control() setAction:nullptr];
        [target_.get() disconnect];
    }

    std::string title() const override { return title_; }

    void setFrame(Rect frame) override {
        ViewOf::setFrame(frame);
        // A title cut to its row is read whole in the tooltip.
        const bool cut = [[control() cell] cellSize].width > frame.width;
        [control() setToolTip:cut ? toNSString(isolatedName(title_)) : nil];
    }

    void setState(long state) override { [control() setState:state]; }
    long state() const override { return [control() state]; }
    void setEnabled(bool enabled) override { [control() setEnabled:enabled]; }
    bool isEnabled() const override { return [control() isEnabled]; }
    void setAccessibilityHelp(const std::string& help) override {
        [control() setAccessibilityHelp:toNSString(help)];
    }

private:
    void clicked() override {
        if (action_) action_(*this);
    }

    std::string title_;
    Action action_;
    Retained<SetupDialogCheckboxTarget> target_;
};

class AppKitTextField final : public ViewOf<TextField, NSTextField> {
public:
    explicit AppKitTextField(Retained<NSTextField> field) : ViewOf(std::move(field)) {}

    void setFont(const Font& font) override {
        [control() setFont:static_cast<const AppKitFont&>(font).font.get()];
    }

    void setTextColor(const Color& color) override {
        [control() setTextColor:static_cast<const AppKitColor&>(color).color.get()];
    }

    void setPlaceholderString(const std::string& placeholder) override {
        [control() setPlaceholderString:toNSString(placeholder)];
    }

    void setStringValue(const std::string& value) override {
        [control() setStringValue:toNSString(value)];
    }

    std::string stringValue() const override { return toStdString([control() stringValue]); }

    Size sizeThatFits(Size bounds) const override {
        const NSSize size = [control() sizeThatFits:NSMakeSize(bounds.width, bounds.height)];
        return {size.width, size.height};
    }

    void setAccessibilityTitleUIElement(TextField& caption) override {
        [control() setAccessibilityTitleUIElement:nsViewOf(caption)];
    }
};

class AppKitMenu;

class AppKitMenuItem final : public MenuItem, public Owned {
public:
    explicit AppKitMenuItem(Retained<NSMenuItem> item) : item(std::move(item)) {}

    void setTarget(std::nullptr_t) override { [item.get() setTarget:nil]; }

    void setKeyEquivalentModifierMask(unsigned long mask) override {
        [item.get() setKeyEquivalentModifierMask:static_cast<NSEventModifierFlags>(mask)];
    }

    void setAlternate(bool alternate) override { [item.get() setAlternate:alternate]; }
    void setSubmenu(Menu& submenu) override;

    Retained<NSMenuItem> item;
};

SEL selectorOf(MenuAction action) {
    switch (action) {
        case MenuAction::Cut: return @selector(cut:);
        case MenuAction::Copy: return @selector(copy:);
        case MenuAction::Paste: return @selector(paste:);
        case MenuAction::SelectAll: return @selector(selectAll:);
        case MenuAction::None: break;
    }
    return nullptr;
}

class AppKitMenu final : public Menu, public Owned {
public:
    AppKitMenu(const std::string& title, Arena& arena)
        : menu(Retained<NSMenu>::adopt([[NSMenu alloc] initWithTitle:toNSString(title)])),
          arena_(arena) {}

    MenuItem& addItemWithTitle(const std::string& title, MenuAction action,
                               const std::string& keyEquivalent) override {
        // Older headers type the item by a protocol; it is an NSMenuItem.
        id added = [menu.get() addItemWithTitle:toNSString(title)
                                         action:selectorOf(action)
                                  keyEquivalent:toNSString(keyEquivalent)];
        auto item = std::make_unique<AppKitMenuItem>(Retained<NSMenuItem>::retain(added));
        return arena_.own(std::move(item));
    }

    void addItem(MenuItem& item) override {
        [menu.get() addItem:static_cast<AppKitMenuItem&>(item).item.get()];
    }

    Retained<NSMenu> menu;

private:
    Arena& arena_;
};

void AppKitMenuItem::setSubmenu(Menu& submenu) {
    [item.get() setSubmenu:static_cast<AppKitMenu&>(submenu).menu.get()];
}

NSAlertStyle alertStyleOf(int style) {
    return style == kAlertStyleInformational ? NSAlertStyleInformational : NSAlertStyleWarning;
}

// The screen the alert opens on: the one under the pointer, else the main one.
NSScreen* screenUnderPointer() {
    const NSPoint pointer = [NSEvent mouseLocation];
    for (NSScreen* screen in [NSScreen screens]) {
        if (NSMouseInRect(pointer, [screen frame], NO)) return screen;
    }
    return [NSScreen mainScreen];
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
        accessory_ = nsViewOf(view);
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
    CGFloat scrolledBand() const;

    Retained<NSAlert> alert_;
    AppKitWindow window_;
    NSView* accessory_ = nil;  // owned by its own wrapper
    Retained<NSScrollView> scroll_;
    Retained<NSView> holder_;  // the rows' scroll view and what stands under it
};

// AppKit links no key-view chain from an alert's accessory view to its
// buttons, so Tab would stay in the first field. Tab goes through the text
// fields the accessory holds, in the order they were added, then through the
// buttons, and back to the first field.
void AppKitAlert::chainKeyViews() {
    if (!accessory_) return;
    NSMutableArray* chain = [NSMutableArray array];
    for (NSView* view in [accessory_ subviews]) {
        if ([view isKindOfClass:[NSTextField class]] && [static_cast<NSTextField*>(view) isEditable])
            [chain addObject:view];
    }
    if ([chain count] == 0) return;  // no field: the alert's own chain stays
    [chain addObjectsFromArray:[alert_.get() buttons]];
    for (NSUInteger i = 0; i < [chain count]; ++i) {
        [[chain objectAtIndex:i] setNextKeyView:[chain objectAtIndex:(i + 1) % [chain count]]];
    }
}

// An accessory view taller than the screen would push the buttons out of
// reach; it scrolls instead, keeping its own geometry inside, so that the
// whole alert fits on the screen it opens on.
void AppKitAlert::fitAccessoryToScreen() {
    if (!accessory_ || scroll_) return;
    NSScreen* screen = screenUnderPointer();
    if (!screen) return;
    const CGFloat overflow = NSHeight([nsWindow() frame]) - NSHeight([screen visibleFrame]);
    if (overflow <= 0) return;

    const NSSize content = [accessory_ frame].size;
    // Where the view starts with a list of rows, only the rows scroll: what
    // stands under them stays in view with the buttons.
    const CGFloat band = scrolledBand();
    const CGFloat below = content.height - band;
    scroll_ = Retained<NSScrollView>::adopt([[NSScrollView alloc]
        initWithFrame:NSMakeRect(0, below, content.width, band)]);
    NSScrollView* scroll = scroll_.get();
    [scroll setHasVerticalScroller:YES];
    [scroll setHasHorizontalScroller:NO];
    [scroll setAutohidesScrollers:NO];
    [scroll setBorderType:NSBezelBorder];
    NSView* replacement = scroll;
    if (below > 0) {
        // The controls under the rows move to a holder, under the scroll
        // view; the view keeps the rows, moved down to its new bottom.
        holder_ = Retained<NSView>::adopt([[NSView alloc] initWithFrame:NSMakeRect(0, 0, content.width, content.height)]);
        NSArray* subviews = [[[accessory_ subviews] copy] autorelease];
        for (NSView* view in subviews) {
            if (NSMinY([view frame]) >= below) {
                [view setFrameOrigin:NSMakePoint(NSMinX([view frame]), NSMinY([view frame]) - below)];
                continue;
            }
            [view retain];
            [view removeFromSuperview];
            [holder_.get() addSubview:view];
            [view release];
        }
        [accessory_ setFrameSize:NSMakeSize(content.width, band)];
        [holder_.get() addSubview:scroll];
        replacement = holder_.get();
    }
    // The alert lets go of the old accessory view before it moves into the
    // scroll view, so that the alert cannot take it back out.
    [alert_.get() setAccessoryView:replacement];
    [accessory_ setFrameOrigin:NSZeroPoint];
    [scroll setDocumentView:accessory_];

    // The scroller takes its room beside the visible part. The border is
    // inside the room the accessory gives up, so that the whole alert fits.
    [scroll tile];
    const NSSize inside = [scroll contentSize];
    const CGFloat border = band - inside.height;
    const CGFloat height = std::max(kMinimumScrolledHeight + border, band - overflow);
    const CGFloat width = content.width + (content.width - inside.width);
    [scroll setFrame:NSMakeRect(0, below, width, height)];
    if (holder_) [holder_.get() setFrameSize:NSMakeSize(width, below + height)];
    [scroll tile];
    // It opens at the top, where the view begins to read.
    NSClipView* clip = [scroll contentView];
    [clip scrollToPoint:NSMakePoint(0, band - [scroll contentSize].height)];
    [scroll reflectScrolledClipView:clip];
    [alert_.get() layout];
}

// The height of the part of the accessory view that scrolls: from its top
// down to the last row of a list it starts with, or the whole view.
CGFloat AppKitAlert::scrolledBand() const {
    std::vector<NSView*> views;
    for (NSView* view in [accessory_ subviews]) views.push_back(view);
    // Reading order: top to bottom, then left to right.
    std::stable_sort(views.begin(), views.end(), [](NSView* a, NSView* b) {
        const NSRect fa = [a frame], fb = [b frame];
        return NSMaxY(fa) != NSMaxY(fb) ? NSMaxY(fa) > NSMaxY(fb) : NSMinX(fa) < NSMinX(fb);
    });
    std::vector<Rect> frames;
    for (NSView* view : views) {
        const NSRect f = [view frame];
        frames.push_back({f.origin.x, f.origin.y, f.size.width, f.size.height});
    }
    const std::size_t rows = leadingRowCount(frames);
    const CGFloat height = NSHeight([accessory_ frame]);
    // A view that is all list scrolls whole, its margins with it.
    if (rows == 0 || rows == views.size()) return height;
    return height - NSMinY([views[rows - 1] frame]);
}

// The alert ignores the keyboard until its window has been key for the
// guard's quiet time (see ui/input_guard.h). A local monitor sees every key
// event before the window, its buttons' key equivalents or a field's input
// method do; clicks and accessibility actions never pass through it.
long AppKitAlert::runModal() {
    NSWindow* window = nsWindow();
    InputGuard guard;
    InputGuard* const held = &guard;  // a block copies what it captures
    auto watcher = Retained<SetupDialogKeyFocusWatcher>::adopt(
        [[SetupDialogKeyFocusWatcher alloc] initWithGuard:held]);
    NSNotificationCenter* center = [NSNotificationCenter defaultCenter];
    [center addObserver:watcher.get()
               selector:@selector(windowDidBecomeKey:)
                   name:NSWindowDidBecomeKeyNotification
                 object:window];
    [center addObserver:watcher.get()
               selector:@selector(windowDidResignKey:)
                   name:NSWindowDidResignKeyNotification
                 object:window];
    if ([window isKeyWindow]) guard.activated(InputGuard::Clock::now());
    // A modifier key reports only that the modifiers changed: it went down
    // when a modifier was added, up when one went away.
    NSUInteger modifiers = [NSEvent modifierFlags] & NSEventModifierFlagDeviceIndependentFlagsMask;
    NSUInteger* const heldModifiers = &modifiers;
    const NSEventMask keys = NSEventMaskKeyDown | NSEventMaskKeyUp | NSEventMaskFlagsChanged;
    id monitor = [NSEvent addLocalMonitorForEventsMatchingMask:keys
                                                       handler:^NSEvent*(NSEvent* event) {
        if ([event window] != window) return event;
        KeyEvent key;
        key.key = [event keyCode];
        switch ([event type]) {
            case NSEventTypeKeyDown:
                key.phase = [event isARepeat] ? KeyEvent::Phase::Repeat : KeyEvent::Phase::Press;
                break;
            case NSEventTypeKeyUp:
                key.phase = KeyEvent::Phase::Release;
                break;
            default: {
                const NSUInteger now = [event modifierFlags] & NSEventModifierFlagDeviceIndependentFlagsMask;
                key.phase = (now & ~*heldModifiers) ? KeyEvent::Phase::Press : KeyEvent::Phase::Release;
                *heldModifiers = now;
                break;
            }
        }
        return held->keyArrives(InputGuard::Clock::now(), key) ? event : nil;
    }];
    const long result = [alert_.get() runModal];
    [NSEvent removeMonitor:monitor];
    [center removeObserver:watcher.get()];
    return result;
}

void AppKitWindow::setLevel(int level) { [alert_.nsWindow() setLevel:level]; }

void AppKitWindow::makeFirstResponder(View& view) {
    NSWindow* window = alert_.nsWindow();
    NSView* responder = nsViewOf(view);
    // The alert picks its own first responder when it runs; as the initial
    // one the view keeps the focus then.
    [window setInitialFirstResponder:responder];
    [window makeFirstResponder:responder];
}

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

std::unique_ptr<Application> makeApplication() { return std::make_unique<AppKitApplication>(); }

}  // namespace ui::appkit

std::unique_ptr<ui::Application> ui::makeWindowApplication() { return appkit::makeApplication(); }
