// The run-time half of appkit_shim.h, for the GNUstep build of the AppKit
// backend only (setup-dialog-gnustep, tests/appkit/gnustep/): each AppKit
// call that GNUstep 0.29 lacks, or has in an older shape, is supplied here as
// macOS documents it, so that src/ui/appkit/ runs unchanged. Nothing here is
// part of the program.
//
// Built without ARC, like the backend.

#import "appkit_shim.h"
#import <GNUstepBase/NSProcessInfo+GNUstepBase.h>

#include <dlfcn.h>
#include <objc/runtime.h>
#include <Block.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "gnustep_probe.h"

namespace {

// Whether an X display can be opened now. Xlib is GNUstep's own dependency;
// it is looked up at run time so that the build needs no X headers.
bool displayOpens() {
    using Open = void* (*)(const char*);
    using Close = int (*)(void*);
    static void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    if (!xlib) return false;
    const auto open = reinterpret_cast<Open>(dlsym(xlib, "XOpenDisplay"));
    const auto close = reinterpret_cast<Close>(dlsym(xlib, "XCloseDisplay"));
    if (!open || !close) return false;
    void* display = open(nullptr);
    if (!display) return false;
    close(display);
    return true;
}

// What -[NSApplication finishLaunching] does for the application's window
// bookkeeping: without it GNUstep never learns which window is key, and key
// events reach no window. finishLaunching itself is not called, since it would
// also read the command line's items as files to open. On macOS an alert runs
// with keys in a program that never finished launching; so does it here.
void followKeyAndMainWindows() {
    static bool done = false;
    if (done || NSApp == nil) return;
    done = true;
    NSNotificationCenter* center = [NSNotificationCenter defaultCenter];
    const struct {
        const char* selector;
        NSString* name;
    } observers[] = {
        {"_windowDidBecomeKey:", NSWindowDidBecomeKeyNotification},
        {"_windowDidBecomeMain:", NSWindowDidBecomeMainNotification},
        {"_windowDidResignKey:", NSWindowDidResignKeyNotification},
        {"_windowDidResignMain:", NSWindowDidResignMainNotification},
        {"_windowWillClose:", NSWindowWillCloseNotification},
    };
    for (const auto& observer : observers) {
        [center addObserver:NSApp
                   selector:sel_registerName(observer.selector)
                       name:observer.name
                     object:nil];
    }
}

// Replaces the implementation of an instance method by a plain function,
// returning the old one.
IMP replaceMethod(Class cls, SEL selector, IMP implementation) {
    Method method = class_getInstanceMethod(cls, selector);
    if (!method) abort();  // GNUstep changed under the shim: stop at once
    return method_setImplementation(method, implementation);
}

template <class T>
T ivarOf(id object, const char* name) {
    Ivar ivar = class_getInstanceVariable(object_getClass(object), name);
    if (!ivar) abort();
    return *reinterpret_cast<T*>(reinterpret_cast<char*>(object) + ivar_getOffset(ivar));
}

template <class T>
void setIvarOf(id object, const char* name, T value) {
    Ivar ivar = class_getInstanceVariable(object_getClass(object), name);
    if (!ivar) abort();
    *reinterpret_cast<T*>(reinterpret_cast<char*>(object) + ivar_getOffset(ivar)) = value;
}

// -[NSMenu initWithTitle:]: a GNUstep menu is a window, and a window needs the
// shared application; on macOS a menu can be made before it. The shared
// application is made first, then. With no display there is no GNUstep menu at
// all: init gives nil, as an init does that cannot make its object, and the
// run goes on to its command-line checks (messages to nil do nothing).
IMP gnustepMenuInit = nullptr;

id menuInitWithTitle(id self, SEL selector, NSString* title) {
    if (NSApp == nil) {
        if (!displayOpens()) {
            [self release];
            return nil;
        }
        [NSApplication sharedApplication];
        followKeyAndMainWindows();
    }
    return reinterpret_cast<id (*)(id, SEL, NSString*)>(gnustepMenuInit)(self, selector, title);
}

// What the alert keeps beyond GNUstep's own state: its accessory view, and the
// panel's geometry before any accessory went in.
struct AlertExtra {
    NSView* accessory = nil;  // retained, as macOS's property is strong
    NSView* placed = nil;     // the view the last layout put in the panel
    bool measured = false;
    NSSize contentSize{};
    std::vector<std::pair<NSView*, NSRect>> frames;  // the panel's own views
};

std::map<NSAlert*, AlertExtra>& extras() {
    static auto* all = new std::map<NSAlert*, AlertExtra>;
    return *all;
}

IMP gnustepAlertDealloc = nullptr;

void alertDealloc(id self, SEL selector) {
    auto found = extras().find(static_cast<NSAlert*>(self));
    if (found != extras().end()) {
        [found->second.accessory release];
        extras().erase(found);
    }
    reinterpret_cast<void (*)(id, SEL)>(gnustepAlertDealloc)(self, selector);
}

// GNUstep's alert panel holds its size between a minimum and a maximum that
// are both the size it fitted; they follow the new size.
void resizeContent(NSWindow* panel, NSSize size) {
    const NSRect frame = [panel frameRectForContentRect:NSMakeRect(0, 0, size.width, size.height)];
    [panel setMinSize:frame.size];
    [panel setMaxSize:frame.size];
    [panel setContentSize:size];
}

constexpr CGFloat kAccessorySpacing = 12;  // between the accessory and the text, and the buttons

}  // namespace

@implementation NSAlert (SetupDialogShim)

// macOS's alert puts the buttons it made into its window; GNUstep's panel
// shows copies of them. Once the panel is built, the buttons are the ones in
// it, in the order they were added, as on macOS.
- (NSArray*)setupDialogPanelButtons {
    NSWindow* panel = ivarOf<NSWindow*>(self, "_window");
    if (panel == nil) return nil;
    NSMutableArray* shown = [NSMutableArray array];
    for (const char* name : {"defButton", "altButton", "othButton"}) {
        NSButton* button = ivarOf<NSButton*>(panel, name);
        if (button && [button superview] == [panel contentView]) [shown addObject:button];
    }
    return shown;
}

- (NSView*)accessoryView {
    auto found = extras().find(self);
    return found == extras().end() ? nil : found->second.accessory;
}

- (void)setAccessoryView:(NSView*)accessoryView {
    AlertExtra& extra = extras()[self];
    [accessoryView retain];
    [extra.accessory release];
    extra.accessory = accessoryView;
}

// Builds the panel once, as macOS does, and then puts the accessory view
// between the text and the buttons, growing the window to hold it. Called
// again, it first takes back what it did before, so that a changed accessory
// view replaces the old one.
- (void)layout {
    followKeyAndMainWindows();
    AlertExtra& extra = extras()[self];
    NSWindow* panel = ivarOf<NSWindow*>(self, "_window");
    if (panel == nil) {
        [self performSelector:sel_registerName("_setupPanel")];
        panel = ivarOf<NSWindow*>(self, "_window");
    }
    NSView* content = [panel contentView];
    [content setAutoresizesSubviews:NO];
    if (!extra.measured) {
        extra.measured = true;
        extra.contentSize = [content frame].size;
        for (NSView* view in [content subviews]) extra.frames.emplace_back(view, [view frame]);
    }

    if (extra.placed && [extra.placed superview] == content) [extra.placed removeFromSuperview];
    extra.placed = nil;
    resizeContent(panel, extra.contentSize);
    for (const auto& [view, frame] : extra.frames) [view setFrame:frame];

    NSView* accessory = extra.accessory;
    if (accessory) {
        NSArray* buttons = [self buttons];
        CGFloat buttonsTop = 0;
        for (NSButton* button in buttons) buttonsTop = std::max(buttonsTop, NSMaxY([button frame]));
        // The accessory lines up with the informative text.
        NSView* text = ivarOf<NSView*>(panel, "messageField");
        if ([text superview] != content) text = ivarOf<NSView*>(panel, "scroll");
        const CGFloat left = text && [text superview] == content ? NSMinX([text frame]) : kAccessorySpacing;
        const NSSize size = [accessory frame].size;
        const CGFloat grow = std::ceil(size.height) + kAccessorySpacing;
        const CGFloat widen =
            std::max<CGFloat>(0, std::ceil(left + size.width + kAccessorySpacing - extra.contentSize.width));

        resizeContent(panel, NSMakeSize(extra.contentSize.width + widen, extra.contentSize.height + grow));
        for (const auto& [view, frame] : extra.frames) {
            NSRect moved = frame;
            if ([buttons indexOfObjectIdenticalTo:view] != NSNotFound) {
                moved.origin.x += widen;  // the buttons keep to the right edge
            } else if (NSMinY(frame) >= buttonsTop) {
                moved.origin.y += grow;  // the text keeps to the top
                if (NSMaxX(frame) >= extra.contentSize.width - 1) moved.size.width += widen;
            }
            [view setFrame:moved];
        }
        [accessory setFrameOrigin:NSMakePoint(left, buttonsTop + kAccessorySpacing)];
        [content addSubview:accessory];
        extra.placed = accessory;
    }
    [panel center];
    [content setNeedsDisplay:YES];
}

@end

namespace {

IMP gnustepAlertButtons = nullptr;

NSArray* alertButtons(id self, SEL selector) {
    NSArray* shown = [self setupDialogPanelButtons];
    if (shown) return shown;
    return reinterpret_cast<NSArray* (*)(id, SEL)>(gnustepAlertButtons)(self, selector);
}

// -[NSAlert runModal] runs the panel that layout built, laying it out first if
// nothing has yet, and keeps it for the alert's window afterwards, as macOS
// does; GNUstep's own builds a new panel on every run and drops it after.
// The keys GNUstep saw go down and not yet up, with when (see markRepeat).
std::map<unsigned short, NSTimeInterval>& keysDown() {
    static auto* down = new std::map<unsigned short, NSTimeInterval>;
    return *down;
}

NSInteger alertRunModal(id self, SEL) {
    NSAlert* alert = self;
    if (ivarOf<NSWindow*>(alert, "_window") == nil) [alert layout];
    NSWindow* panel = ivarOf<NSWindow*>(alert, "_window");
    setupDialogProbeWillRunModal(alert, panel);
    keysDown().clear();
    const NSInteger result = [NSApp runModalForWindow:panel];
    [panel orderOut:alert];
    setupDialogProbeDidRunModal(alert, panel, result);
    setIvarOf<NSInteger>(alert, "_result", result);
    return result;
}

}  // namespace

@implementation NSApplication (SetupDialogShim)

// The policy has no meaning to GNUstep; the application the backend asks for
// is the regular one GNUstep always is.
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)activationPolicy {
    (void)activationPolicy;
    followKeyAndMainWindows();
    return YES;
}

@end

@implementation NSButton (SetupDialogShim)

// A checkbox with the title and no other text, off, sized to fit.
+ (instancetype)checkboxWithTitle:(NSString*)title target:(id)target action:(SEL)action {
    NSButton* button = [[[self alloc] initWithFrame:NSMakeRect(0, 0, 100, 18)] autorelease];
    [button setButtonType:NSSwitchButton];
    [button setTitle:title];
    [button setTarget:target];
    [button setAction:action];
    [button setState:NSOffState];
    [button sizeToFit];
    return button;
}

@end

namespace {

// A label: no bezel, no border, no background, the system font, not editable.
NSTextField* makeLabel(Class cls, NSString* text, BOOL wraps) {
    NSTextField* label = [[[cls alloc] initWithFrame:NSMakeRect(0, 0, 100, 18)] autorelease];
    [label setStringValue:text];
    [label setEditable:NO];
    [label setSelectable:wraps];
    [label setBezeled:NO];
    [label setBordered:NO];
    [label setDrawsBackground:NO];
    [label setFont:[NSFont systemFontOfSize:0]];
    [[label cell] setWraps:wraps];
    [[label cell] setLineBreakMode:wraps ? NSLineBreakByWordWrapping : NSLineBreakByClipping];
    [label sizeToFit];
    return label;
}

}  // namespace

@implementation NSTextField (SetupDialogShim)

// Not selectable, on one line.
+ (instancetype)labelWithString:(NSString*)stringValue {
    return makeLabel(self, stringValue, NO);
}

// Selectable, wrapping at its width.
+ (instancetype)wrappingLabelWithString:(NSString*)stringValue {
    return makeLabel(self, stringValue, YES);
}

- (NSString*)placeholderString {
    return [[self cell] placeholderString];
}

- (void)setPlaceholderString:(NSString*)placeholderString {
    [[self cell] setPlaceholderString:placeholderString];
}

// GNUstep's -[NSControl sizeThatFits:] gives back its argument. macOS gives
// the size the content needs: a wrapping field wraps its text at the width
// given, and is as tall as the wrapped lines.
- (NSSize)sizeThatFits:(NSSize)size {
    NSCell* cell = [self cell];
    if (![cell wraps]) return [cell cellSize];
    // The cell draws its text inside its title rectangle; the rest is border.
    const NSRect probe = NSMakeRect(0, 0, 1000, 1000);
    const NSRect title = [cell titleRectForBounds:probe];
    const CGFloat borderWidth = NSWidth(probe) - NSWidth(title);
    const CGFloat borderHeight = NSHeight(probe) - NSHeight(title);
    const NSRect text = [[cell attributedStringValue]
        boundingRectWithSize:NSMakeSize(std::max<CGFloat>(0, size.width - borderWidth), 1e7)
                     options:NSStringDrawingUsesLineFragmentOrigin];
    return NSMakeSize(std::min(size.width, std::ceil(NSWidth(text)) + borderWidth),
                      std::ceil(NSHeight(text)) + borderHeight);
}

@end

@implementation NSFont (SetupDialogShim)

// GNUstep has one fixed-pitch font, the user's, at any size.
+ (NSFont*)monospacedSystemFontOfSize:(CGFloat)fontSize weight:(NSFontWeight)weight {
    (void)weight;
    return [self userFixedPitchFontOfSize:fontSize];
}

@end

// A window-server session exists where an X display opens. The dictionary
// follows CoreFoundation's Copy rule: the caller releases it.
extern "C" CFDictionaryRef CGSessionCopyCurrentDictionary(void) {
    if (!displayOpens()) return nullptr;
    NSDictionary* session = [[NSDictionary alloc]
        initWithObjectsAndKeys:[NSNumber numberWithBool:YES], @"kCGSessionOnConsoleKey", nil];
    return reinterpret_cast<CFDictionaryRef>(session);
}

extern "C" void CFRelease(CFTypeRef cf) {
    [reinterpret_cast<id>(const_cast<void*>(cf)) release];
}

// macOS 10.6: the application's local event monitors. Each sees the events
// the application sends to its windows, in the order they were added, and
// one that gives back nil ends the event there.
namespace {

struct EventMonitor {
    NSEventMask mask;
    NSEvent* (^handler)(NSEvent*);
};
std::vector<EventMonitor*> eventMonitors;
IMP gnustepSendEvent = nullptr;

// GNUstep reports the auto-repeats of a held key as fresh presses (its
// isARepeat stays NO), where macOS marks them: a key that goes down again
// before it came up, and soon after it last went down, is repeating. The
// time limit and the fresh start of each alert's run keep a release GNUstep
// lost (between two alerts, say) from making later presses repeats.
NSEvent* markRepeat(NSEvent* event) {
    if ([event type] == NSKeyUp) keysDown().erase([event keyCode]);
    if ([event type] != NSKeyDown) return event;
    const auto last = keysDown().find([event keyCode]);
    const bool repeating = last != keysDown().end() && [event timestamp] - last->second < 2.0;
    keysDown()[[event keyCode]] = [event timestamp];
    if (!repeating || [event isARepeat]) return event;
    return [NSEvent keyEventWithType:NSKeyDown
                            location:[event locationInWindow]
                       modifierFlags:[event modifierFlags]
                           timestamp:[event timestamp]
                        windowNumber:[event windowNumber]
                             context:[event context]
                          characters:[event characters]
         charactersIgnoringModifiers:[event charactersIgnoringModifiers]
                           isARepeat:YES
                             keyCode:[event keyCode]];
}

void applicationSendEvent(id self, SEL selector, NSEvent* event) {
    event = markRepeat(event);
    const std::vector<EventMonitor*> monitors = eventMonitors;  // a handler may remove one
    for (EventMonitor* monitor : monitors) {
        if (!(monitor->mask & (NSEventMask(1) << [event type]))) continue;
        event = monitor->handler(event);
        if (!event) return;
    }
    reinterpret_cast<void (*)(id, SEL, NSEvent*)>(gnustepSendEvent)(self, selector, event);
}

}  // namespace

@implementation NSEvent (SetupDialogShim)
+ (id)addLocalMonitorForEventsMatchingMask:(NSEventMask)mask
                                   handler:(NSEvent* (^)(NSEvent* event))block {
    auto* monitor = new EventMonitor{mask, Block_copy(block)};
    eventMonitors.push_back(monitor);
    return [NSValue valueWithPointer:monitor];
}

+ (void)removeMonitor:(id)eventMonitor {
    auto* monitor = static_cast<EventMonitor*>([eventMonitor pointerValue]);
    const auto found = std::find(eventMonitors.begin(), eventMonitors.end(), monitor);
    if (found == eventMonitors.end()) return;
    eventMonitors.erase(found);
    Block_release(monitor->handler);
    delete monitor;
}
@end

// macOS 10.10: accessibility attributes. GNUstep has no bridge to a screen
// reader; the label, which macOS reads out for a control instead of its
// title, is kept for the probe to read back; the others are kept nowhere.
// GCC's runtime has no associated objects: the labels are kept by view, and
// let go of as the view goes.
namespace {

std::map<NSView*, NSString*>& accessibilityLabels() {
    static auto* labels = new std::map<NSView*, NSString*>;
    return *labels;
}

IMP gnustepViewDealloc = nullptr;

void viewDealloc(id self, SEL selector) {
    auto found = accessibilityLabels().find(static_cast<NSView*>(self));
    if (found != accessibilityLabels().end()) {
        [found->second release];
        accessibilityLabels().erase(found);
    }
    reinterpret_cast<void (*)(id, SEL)>(gnustepViewDealloc)(self, selector);
}

}  // namespace

@implementation NSView (SetupDialogShim)
- (NSString*)accessibilityLabel {
    const auto found = accessibilityLabels().find(self);
    return found == accessibilityLabels().end() ? nil : found->second;
}
- (void)setAccessibilityLabel:(NSString*)accessibilityLabel {
    NSString*& kept = accessibilityLabels()[self];
    [kept release];
    kept = [accessibilityLabel copy];
}
- (void)setAccessibilityTitleUIElement:(id)accessibilityTitleUIElement {
    (void)accessibilityTitleUIElement;
}
- (void)setAccessibilityHelp:(NSString*)accessibilityHelp {
    (void)accessibilityHelp;
}
@end

// Installed before main, as the executable's classes load: the methods
// GNUstep has, in the shape macOS gives them.
@interface SetupDialogAppKitShim : NSObject
@end

@implementation SetupDialogAppKitShim
+ (void)load {
    // GNUstep reads items of the form --GNU-Debug=... as switches of its
    // debug log, which then writes to standard error; an item is never an
    // option of the toolkit.
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    [[[NSProcessInfo processInfo] debugSet] removeAllObjects];
    [pool drain];
    gnustepSendEvent = replaceMethod(objc_getClass("NSApplication"), @selector(sendEvent:),
                                     reinterpret_cast<IMP>(applicationSendEvent));
    gnustepMenuInit = replaceMethod(objc_getClass("NSMenu"), @selector(initWithTitle:),
                                    reinterpret_cast<IMP>(menuInitWithTitle));
    replaceMethod(objc_getClass("NSAlert"), @selector(runModal), reinterpret_cast<IMP>(alertRunModal));
    gnustepAlertButtons = replaceMethod(objc_getClass("NSAlert"), @selector(buttons),
                                        reinterpret_cast<IMP>(alertButtons));
    gnustepAlertDealloc = replaceMethod(objc_getClass("NSAlert"), sel_registerName("dealloc"),
                                        reinterpret_cast<IMP>(alertDealloc));
    gnustepViewDealloc = replaceMethod(objc_getClass("NSView"), sel_registerName("dealloc"),
                                       reinterpret_cast<IMP>(viewDealloc));
}
@end
