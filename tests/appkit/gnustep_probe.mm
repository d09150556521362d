// What the end-to-end test of the GNUstep build reads of a running program,
// where a screen reader would read the accessibility tree: with
// SETUP_DIALOG_PROBE=FILE set, the program describes the alert it is running
// in FILE (JSON, replaced whole ten times a second, also while a button is
// held down): the alert's style and buttons, and every control with its kind,
// title or text, state, whether it is enabled, pressed or has the keyboard
// focus, its font size and its place on the screen in X's coordinates. At exit
// it writes FILE.exit: how many objects of each class are still alive, and
// which of the views and icons the alerts showed still are. Without the
// variable it does nothing. Test-only; nothing here is part of the program.

#import <AppKit/AppKit.h>

#include <objc/runtime.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "gnustep_probe.h"

// GNUstep's allocation counts (Foundation/NSDebug.h declares them only in
// builds without NDEBUG).
extern "C" {
BOOL GSDebugAllocationActive(BOOL active);
int GSDebugAllocationCount(Class cls);
Class* GSDebugAllocationClassList(void);
BOOL GSDebugAllocationRecordObjects(Class cls, BOOL newState);
NSArray* GSDebugAllocationListRecordedObjects(Class cls);
}

namespace {

NSString* probePath() {
    static NSString* path = nil;
    static bool read = false;
    if (!read) {
        read = true;
        const char* value = std::getenv("SETUP_DIALOG_PROBE");
        if (value && *value) path = [[NSString alloc] initWithUTF8String:value];
    }
    return path;
}

// The classes whose every object is recorded, so that the alerts' own can be
// told apart from GNUstep's at exit. Other classes of the alert (buttons,
// fields, the alert itself) GNUstep never keeps: their counts tell.
std::vector<Class>& recordedClasses() {
    // Looked up without a message, which would initialize them before main.
    static auto* classes = new std::vector<Class>{objc_getClass("NSView"), objc_getClass("NSImage")};
    return *classes;
}

long pass = 0;
long tick = 0;
NSAlert* runningAlert = nil;  // not retained: only while its run lasts
NSWindow* runningPanel = nil;
NSTimer* timer = nil;
long lastResult = 0;
long levelAsked = 0;  // the window's level before the modal run raises it

// Every object an alert showed: its window's views and its icon, by address
// only (nothing is retained). At exit none of them may be alive.
std::set<void*>& shown() {
    static auto* objects = new std::set<void*>;
    return *objects;
}

void remember(NSView* view) {
    shown().insert(view);
    for (NSView* subview in [view subviews]) remember(subview);
}

// A rectangle on the screen in X's terms: the origin at the top-left.
NSArray* screenBox(NSRect rect) {
    const CGFloat height = NSHeight([[NSScreen mainScreen] frame]);
    return @[ @(NSMinX(rect)), @(height - NSMaxY(rect)), @(NSWidth(rect)), @(NSHeight(rect)) ];
}

NSArray* boxOf(NSView* view) {
    NSRect inWindow = [view convertRect:[view bounds] toView:nil];
    NSRect frame = [[view window] frame];
    inWindow.origin.x += NSMinX(frame);
    inWindow.origin.y += NSMinY(frame);
    return screenBox(inWindow);
}

// The button GNUstep's alert panel shows its icon in.
NSButton* iconOf(NSWindow* panel) {
    Ivar ivar = class_getInstanceVariable(object_getClass(panel), "icoButton");
    if (!ivar) return nil;
    return *reinterpret_cast<NSButton**>(reinterpret_cast<char*>(panel) + ivar_getOffset(ivar));
}

// The view that has the keyboard focus: the first responder, or the field
// whose text the shared field editor is editing.
NSView* focusedView(NSWindow* window) {
    id responder = [window firstResponder];
    if ([responder isKindOfClass:[NSText class]] && [responder isFieldEditor]) {
        id delegate = [responder delegate];
        if ([delegate isKindOfClass:[NSView class]]) return delegate;
    }
    return [responder isKindOfClass:[NSView class]] ? responder : nil;
}

void describe(NSView* view, NSWindow* window, NSArray* buttons, NSView* focus, NSMutableArray* out) {
    if ([view isHiddenOrHasHiddenAncestor]) return;
    NSMutableDictionary* entry = nil;
    if ([view isKindOfClass:[NSButton class]]) {
        NSButton* button = (NSButton*)view;
        const NSUInteger index = [buttons indexOfObjectIdenticalTo:button];
        if (button == iconOf(window)) {
            // The alert's icon: the one set, or the application's own.
            const NSSize size = [[button image] size];
            entry = [NSMutableDictionary dictionaryWithObjectsAndKeys:@"icon", @"kind", nil];
            [entry setObject:@([button image] == [runningAlert icon]) forKey:@"custom"];
            [entry setObject:@[ @(size.width), @(size.height) ] forKey:@"imageSize"];
        } else if (index != NSNotFound) {
            entry = [NSMutableDictionary dictionaryWithObjectsAndKeys:@"button", @"kind",
                                                                      @(index), @"index", nil];
        } else if ([[button title] length] > 0) {
            entry = [NSMutableDictionary dictionaryWithObjectsAndKeys:@"checkbox", @"kind",
                                                                      @([button state]), @"state", nil];
            // What a screen reader reads for it, where the backend set it.
            id label = [button respondsToSelector:@selector(accessibilityLabel)]
                           ? [button performSelector:@selector(accessibilityLabel)]
                           : nil;
            if ([label isKindOfClass:[NSString class]]) [entry setObject:label forKey:@"accessibilityLabel"];
        }
        if (entry) {
            [entry setObject:[button title] forKey:@"title"];
            // Pressed: the mouse went down on it and it waits for the release.
            [entry setObject:@([[button cell] isHighlighted]) forKey:@"pressed"];
        }
    } else if ([view isKindOfClass:[NSTextField class]]) {
        NSTextField* field = (NSTextField*)view;
        entry = [NSMutableDictionary dictionaryWithObjectsAndKeys:
            [field isEditable] ? @"field" : @"label", @"kind", [field stringValue], @"text", nil];
    } else if ([view isKindOfClass:[NSScrollView class]]) {
        entry = [NSMutableDictionary dictionaryWithObject:@"scroll" forKey:@"kind"];
    }
    if (entry) {
        [entry setObject:@([view respondsToSelector:@selector(isEnabled)] && [(NSControl*)view isEnabled]) forKey:@"enabled"];
        [entry setObject:@(view == focus) forKey:@"focused"];
        [entry setObject:boxOf(view) forKey:@"box"];
        if ([view respondsToSelector:@selector(font)]) [entry setObject:@([[(NSControl*)view font] pointSize]) forKey:@"fontSize"];
        [out addObject:entry];
    }
    if ([view isKindOfClass:[NSTextField class]] || [view isKindOfClass:[NSButton class]]) return;
    for (NSView* subview in [view subviews]) describe(subview, window, buttons, focus, out);
}

void write(NSDictionary* state, NSString* path) {
    NSData* data = [NSJSONSerialization dataWithJSONObject:state options:0 error:nullptr];
    [data writeToFile:path atomically:YES];
}

void writeState(bool running) {
    NSString* path = probePath();
    if (!path || !runningPanel) return;
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    NSMutableArray* controls = [NSMutableArray array];
    describe([runningPanel contentView], runningPanel, [runningAlert buttons],
             focusedView(runningPanel), controls);
    NSMutableDictionary* state = [NSMutableDictionary dictionary];
    [state setObject:@(pass) forKey:@"pass"];
    [state setObject:@(++tick) forKey:@"tick"];
    [state setObject:@(levelAsked) forKey:@"levelAsked"];
    [state setObject:@([runningAlert alertStyle]) forKey:@"style"];
    [state setObject:[runningPanel title] forKey:@"title"];
    [state setObject:@(running) forKey:@"running"];
    [state setObject:@([NSApp keyWindow] == runningPanel) forKey:@"key"];
    [state setObject:@([NSApp isActive]) forKey:@"active"];
    [state setObject:@([runningPanel isVisible]) forKey:@"visible"];
    [state setObject:screenBox([runningPanel frame]) forKey:@"window"];
    [state setObject:screenBox([[NSScreen mainScreen] frame]) forKey:@"screen"];
    [state setObject:screenBox([[NSScreen mainScreen] visibleFrame]) forKey:@"visibleScreen"];
    [state setObject:controls forKey:@"controls"];
    if (!running) [state setObject:@(lastResult) forKey:@"result"];
    write(state, path);
    [pool drain];
}

}  // namespace

@interface SetupDialogProbeTimer : NSObject
+ (void)tick:(NSTimer*)timer;
@end

@implementation SetupDialogProbeTimer
+ (void)tick:(NSTimer*)timer {
    (void)timer;
    writeState(true);
}
@end

extern "C" void setupDialogProbeWillRunModal(NSAlert* alert, NSWindow* panel) {
    if (!probePath()) return;
    ++pass;
    runningAlert = alert;
    runningPanel = panel;
    levelAsked = [panel level];
    remember([panel contentView]);
    if ([alert icon]) shown().insert([alert icon]);
    timer = [NSTimer timerWithTimeInterval:0.1
                                    target:[SetupDialogProbeTimer class]
                                  selector:@selector(tick:)
                                  userInfo:nil
                                   repeats:YES];
    // In the mode of a button's tracking too, to show it pressed.
    for (NSString* mode in @[ NSModalPanelRunLoopMode, NSDefaultRunLoopMode, NSEventTrackingRunLoopMode ])
        [[NSRunLoop currentRunLoop] addTimer:timer forMode:mode];
}

extern "C" void setupDialogProbeDidRunModal(NSAlert* alert, NSWindow* panel, long result) {
    (void)alert;
    (void)panel;
    if (!probePath()) return;
    [timer invalidate];
    timer = nil;
    lastResult = result;
    writeState(false);
    runningAlert = nil;
    runningPanel = nil;
}

namespace {

// At exit: how many objects of each class are still alive, and which of the
// objects the alerts showed still are.
void writeSurvivors() {
    NSString* path = probePath();
    if (!path) return;
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    NSMutableDictionary* alive = [NSMutableDictionary dictionary];
    Class* classes = GSDebugAllocationClassList();
    for (Class* cls = classes; cls && *cls; ++cls) {
        const int count = GSDebugAllocationCount(*cls);
        if (count > 0) [alive setObject:@(count) forKey:NSStringFromClass(*cls)];
    }
    NSMutableArray* survivors = [NSMutableArray array];
    for (Class cls : recordedClasses()) {
        for (id object in GSDebugAllocationListRecordedObjects(cls)) {
            if (shown().count(object)) [survivors addObject:NSStringFromClass([object class])];
        }
    }
    write(@{@"alive" : alive, @"survivors" : survivors}, [path stringByAppendingString:@".exit"]);
    [pool drain];
}

}  // namespace

@interface SetupDialogProbe : NSObject
@end

@implementation SetupDialogProbe
// Counting starts before the program makes anything.
+ (void)load {
    if (!std::getenv("SETUP_DIALOG_PROBE")) return;
    GSDebugAllocationActive(YES);
    for (Class cls : recordedClasses()) GSDebugAllocationRecordObjects(cls, YES);
    std::atexit(writeSurvivors);
}
@end
