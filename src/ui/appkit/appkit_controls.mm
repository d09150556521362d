// The AppKit backend's objects: what does not fit in their declarations.
// Built without ARC (the CMake target passes -fno-objc-arc): the application
// object owns every Objective-C object it makes and releases it itself.
#if __has_feature(objc_arc)
#error "the AppKit backend uses manual retain/release; build it with -fno-objc-arc"
#endif

#include "ui/appkit/appkit_controls.hh"

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

namespace ui::appkit {

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

void AppKitMenuItem::setSubmenu(Menu& submenu) {
    [item.get() setSubmenu:static_cast<AppKitMenu&>(submenu).menu.get()];
}

}  // namespace ui::appkit
