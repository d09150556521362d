// The AppKit backend's alert.
// Built without ARC (the CMake target passes -fno-objc-arc): the application
// object owns every Objective-C object it makes and releases it itself.
#if __has_feature(objc_arc)
#error "the AppKit backend uses manual retain/release; build it with -fno-objc-arc"
#endif

#include "ui/appkit/appkit_alert.hh"

#include <algorithm>
#include <vector>

#include "ui/alert/input_guard.h"
#include "ui/alert/screen_plan.h"
#include "ui/alert/tab_order.h"
#include "ui/view_tree.h"

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

namespace {

// The screen the alert opens on: the one under the pointer, else the main one.
NSScreen* screenUnderPointer() {
    const NSPoint pointer = [NSEvent mouseLocation];
    for (NSScreen* screen in [NSScreen screens]) {
        if (NSMouseInRect(pointer, [screen frame], NO)) return screen;
    }
    return [NSScreen mainScreen];
}

}  // namespace

// AppKit links no key-view chain from an alert's accessory view to its
// buttons, so Tab would stay in the first field. The chain is the engine's:
// the accessory's controls that take the focus here, in reading order, then
// the buttons, and back to the first.
void AppKitAlert::chainKeyViews() {
    if (!accessoryNode_) return;
    std::vector<const ViewNode*> controls;
    std::vector<alert::Focus> focus;
    for (const PlacedNode& placed : inReadingOrder(*accessoryNode_)) {
        controls.push_back(static_cast<const ViewNode*>(placed.node));
        focus.push_back(controls.back()->focus());
    }
    NSArray* buttons = [alert_.get() buttons];
    NSMutableArray* chain = [NSMutableArray array];
    bool reachesAccessory = false;
    for (const alert::TabStop& stop : alert::tabOrder(focus, [buttons count], false, kCapabilities)) {
        if (stop.kind == alert::TabStop::Kind::Control) {
            [chain addObject:controls[stop.index]->nsView()];
            reachesAccessory = true;
        } else if (stop.kind == alert::TabStop::Kind::Button) {
            [chain addObject:[buttons objectAtIndex:stop.index]];
        }
    }
    if (!reachesAccessory) return;  // nothing of the accessory: the alert's own chain stays
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
    // NSAlert's informative text never scrolls; the accessory view's band
    // does, as the engine plans.
    const ScrolledRows part = scrolledRows(*accessoryNode_);
    alert::FitInput fit;
    fit.available = NSHeight([screen visibleFrame]);
    fit.minimum = alert::kMinimumScrolledHeight;
    fit.band.needed = part.height;
    fit.fixed = NSHeight([nsWindow() frame]) - part.height;
    if (!alert::fitToScreen(fit).bandScrolls) return;

    const NSSize content = [accessory_ frame].size;
    // Where the view starts with a list of rows, only the rows scroll: what
    // stands under them stays in view with the buttons.
    const CGFloat band = part.height;
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
    fit.band.chrome = band - inside.height;
    const CGFloat height = alert::fitToScreen(fit).bandShown + fit.band.chrome;
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

}  // namespace ui::appkit
