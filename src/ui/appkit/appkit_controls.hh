// The AppKit backend's objects, each the AppKit object of the same name
// behind an interface class: ownership of Objective-C objects, text between
// UTF-8 and NSString, fonts, colours, images, views, checkboxes, labels,
// fields and menus. Objective-C++: included by the backend's .mm files only.
#pragma once

#import <AppKit/AppKit.h>

#include <memory>
#include <string>
#include <utility>

#include "ui/alert/tab_order.h"
#include "ui/arena.h"
#include "ui/display_text.h"
#include "ui/toolkit.h"
#include "ui/view_tree.h"

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

namespace ui::appkit {

// Text crosses as UTF-8 by length, so that a NUL byte inside it survives.
// Bytes that are not UTF-8 give the empty string: AppKit raises on nil.
NSString* toNSString(const std::string& text);
std::string toStdString(NSString* string);

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

// The AppKit side of every view. The tree the interface describes is kept
// beside AppKit's own (see ui/view_tree.h), so that the reading and Tab
// order come from the frames the dialog gave, whatever AppKit or the
// screen fit later does to the views.
class ViewNode : public ViewTreeNode, public Owned {
public:
    virtual NSView* nsView() const = 0;
    // What it is to the keyboard, for the alert's Tab chain.
    virtual alert::Focus focus() const { return alert::Focus::None; }
};

inline NSView* nsViewOf(View& view) { return nodeOf<ViewNode>(view).nsView(); }

template <class Interface, class AppKitClass>
class ViewOf : public Interface, public ViewNode {
public:
    explicit ViewOf(Retained<AppKitClass> view) : view_(std::move(view)) {
        const NSRect f = [view_.get() frame];
        setNodeFrame({f.origin.x, f.origin.y, f.size.width, f.size.height});
    }

    NSView* nsView() const override { return view_.get(); }

    void setFrame(Rect frame) override {
        setNodeFrame(frame);
        [view_.get() setFrame:NSMakeRect(frame.x, frame.y, frame.width, frame.height)];
    }

    void addSubview(View& subview) override {
        addChildNode(nodeOf<ViewNode>(subview));
        [view_.get() addSubview:nsViewOf(subview)];
    }

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
    alert::Focus focus() const override {
        return isEnabled() ? alert::Focus::Checkbox : alert::Focus::LockedCheckbox;
    }
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

    alert::Focus focus() const override {
        return [control() isEditable] ? alert::Focus::Field : alert::Focus::None;
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

SEL selectorOf(MenuAction action);

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

}  // namespace ui::appkit
