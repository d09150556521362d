// Used only by check.sh: the AppKit and CoreGraphics declarations that the
// AppKit backend needs and GNUstep's headers lack, each with its public macOS
// signature, so that every call of the backend is type-checked. Everything
// GNUstep does declare comes from GNUstep itself.
#pragma once

#import <AppKit/AppKit.h>

// macOS 10.5
@interface NSAlert (SetupDialogCheck)
- (NSView*)accessoryView;
- (void)setAccessoryView:(NSView*)accessoryView;
- (void)layout;
@end

// macOS 10.12 names of the alert styles, which GNUstep has under older ones.
enum : NSAlertStyle {
    NSAlertStyleWarning = NSWarningAlertStyle,
    NSAlertStyleInformational = NSInformationalAlertStyle,
    NSAlertStyleCritical = NSCriticalAlertStyle,
};

// macOS 10.12 names of the modifier masks, likewise.
enum : NSEventModifierFlags {
    NSEventModifierFlagCapsLock = NSAlphaShiftKeyMask,
    NSEventModifierFlagShift = NSShiftKeyMask,
    NSEventModifierFlagControl = NSControlKeyMask,
    NSEventModifierFlagOption = NSAlternateKeyMask,
    NSEventModifierFlagCommand = NSCommandKeyMask,
    NSEventModifierFlagDeviceIndependentFlagsMask = NSDeviceIndependentModifierFlagsMask,
};

// macOS 10.12 names of the event types, likewise.
enum : NSEventType {
    NSEventTypeKeyDown = NSKeyDown,
    NSEventTypeKeyUp = NSKeyUp,
    NSEventTypeFlagsChanged = NSFlagsChanged,
};

// macOS 10.12 names of the event masks, likewise.
enum : NSEventMask {
    NSEventMaskKeyDown = NSKeyDownMask,
    NSEventMaskKeyUp = NSKeyUpMask,
    NSEventMaskFlagsChanged = NSFlagsChangedMask,
};

// macOS 10.6: the application's own event monitors.
@interface NSEvent (SetupDialogCheck)
+ (id)addLocalMonitorForEventsMatchingMask:(NSEventMask)mask
                                   handler:(NSEvent* (^)(NSEvent* event))block;
+ (void)removeMonitor:(id)eventMonitor;
@end

// macOS 10.6
@interface NSApplication (SetupDialogCheck)
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)activationPolicy;
@end

// macOS 10.12
@interface NSButton (SetupDialogCheck)
+ (instancetype)checkboxWithTitle:(NSString*)title target:(id)target action:(SEL)action;
@end

// macOS 10.12; the placeholder moved from the cell to the field in 10.10.
@interface NSTextField (SetupDialogCheck)
+ (instancetype)labelWithString:(NSString*)stringValue;
+ (instancetype)wrappingLabelWithString:(NSString*)stringValue;
- (NSString*)placeholderString;
- (void)setPlaceholderString:(NSString*)placeholderString;
@end

// macOS 10.10: the element that names another for assistive technology.
@interface NSView (SetupDialogCheck)
- (void)setAccessibilityTitleUIElement:(id)accessibilityTitleUIElement;
- (void)setAccessibilityHelp:(NSString*)accessibilityHelp;
- (NSString*)accessibilityLabel;
- (void)setAccessibilityLabel:(NSString*)accessibilityLabel;
@end

// macOS 10.15
@interface NSFont (SetupDialogCheck)
+ (NSFont*)monospacedSystemFontOfSize:(CGFloat)fontSize weight:(NSFontWeight)weight;
@end

// CoreFoundation and CoreGraphics, which GNUstep does not provide.
typedef const void* CFTypeRef;
typedef const struct __CFDictionary* CFDictionaryRef;
#ifdef __cplusplus
extern "C" {
#endif
void CFRelease(CFTypeRef cf);
CFDictionaryRef CGSessionCopyCurrentDictionary(void);
#ifdef __cplusplus
}
#endif
