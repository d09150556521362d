// The toolkit layer: every windowing operation the dialogs use, in the shape
// of the platform calls they stand for. Dialog code talks only to these
// classes; each backend (Qt, AppKit, the test fake) implements them.
//
// Geometry is in points with the origin at the bottom-left corner of the
// parent view and y growing upward. A backend whose toolkit counts y downward
// converts at its own edge.
//
// Lifetime: the Application owns every object it makes, until it is itself
// destroyed at the end of the run. Factories hand out references that stay
// valid for the whole run, so a dialog can read its controls after the modal
// run without keeping anything alive by hand.
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <string>

namespace ui {

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Control states.
inline constexpr long kControlStateValueOff = 0;
inline constexpr long kControlStateValueOn = 1;
inline constexpr long kControlStateValueMixed = -1;

// Alert styles.
inline constexpr int kAlertStyleWarning = 0;
inline constexpr int kAlertStyleInformational = 1;

// Run results: the buttons in the order they were added.
inline constexpr long kAlertFirstButtonReturn = 1000;
inline constexpr long kAlertSecondButtonReturn = 1001;
inline constexpr long kAlertThirdButtonReturn = 1002;
// The run ended without a button (the window was closed): none of the above.
inline constexpr long kModalResponseCancel = 0;

inline constexpr int kFloatingWindowLevel = 3;
inline constexpr int kApplicationActivationPolicyRegular = 0;

// Key-equivalent modifier masks.
inline constexpr unsigned long kEventModifierFlagShift = 1ul << 17;
inline constexpr unsigned long kEventModifierFlagControl = 1ul << 18;
inline constexpr unsigned long kEventModifierFlagOption = 1ul << 19;
inline constexpr unsigned long kEventModifierFlagCommand = 1ul << 20;

// Height with no limit, for measuring text.
inline constexpr double kUnlimitedHeight = std::numeric_limits<double>::max();

// Font weights on AppKit's scale, where the regular weight is 0.
inline constexpr double kFontWeightRegular = 0.0;

// The standard editing actions a menu item can send to the first responder.
enum class MenuAction { None, Cut, Copy, Paste, SelectAll };

class Font {
public:
    virtual ~Font() = default;
};

class Color {
public:
    virtual ~Color() = default;
};

class Image {
public:
    virtual ~Image() = default;
};

class View {
public:
    virtual ~View() = default;
    virtual void setFrame(Rect frame) = 0;
    virtual void addSubview(View& subview) = 0;
};

class Checkbox : public View {
public:
    // The action a click sends; it is given the checkbox that was clicked.
    // Only a user's click fires it, never setState().
    using Action = std::function<void(Checkbox& sender)>;

    virtual std::string title() const = 0;
    virtual void setState(long state) = 0;
    virtual long state() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    // What assistive technology reads out after the title and the state.
    virtual void setAccessibilityHelp(const std::string& help) = 0;
};

// Labels, wrapping labels and editable fields share one class, as they do on
// the platform the dialogs were designed for.
class TextField : public View {
public:
    virtual void setFont(const Font& font) = 0;
    virtual void setTextColor(const Color& color) = 0;
    virtual void setPlaceholderString(const std::string& placeholder) = 0;
    virtual void setStringValue(const std::string& value) = 0;
    virtual std::string stringValue() const = 0;
    // The size the text needs within the given bounds (a wrapping label
    // wraps at the given width).
    virtual Size sizeThatFits(Size bounds) const = 0;
    // The label that names this field, for assistive technology and for a
    // backend that asks for the field by name.
    virtual void setAccessibilityTitleUIElement(TextField& caption) = 0;
};

class Window {
public:
    virtual ~Window() = default;
    virtual void setLevel(int level) = 0;
    virtual void makeFirstResponder(View& view) = 0;
};

class Alert {
public:
    virtual ~Alert() = default;
    virtual void setMessageText(const std::string& text) = 0;
    virtual void setInformativeText(const std::string& text) = 0;
    virtual void setAlertStyle(int style) = 0;
    virtual void setIcon(const Image& icon) = 0;
    virtual void addButtonWithTitle(const std::string& title) = 0;
    virtual void setAccessoryView(View& view) = 0;
    virtual void layout() = 0;
    virtual Window& window() = 0;
    // Blocks until the alert is dismissed; returns the run result.
    virtual long runModal() = 0;
};

class Menu;

class MenuItem {
public:
    virtual ~MenuItem() = default;
    // Only "no target" exists here: the action goes to the first responder.
    virtual void setTarget(std::nullptr_t none) = 0;
    virtual void setKeyEquivalentModifierMask(unsigned long mask) = 0;
    virtual void setAlternate(bool alternate) = 0;
    virtual void setSubmenu(Menu& submenu) = 0;
};

class Menu {
public:
    virtual ~Menu() = default;
    virtual MenuItem& addItemWithTitle(const std::string& title, MenuAction action,
                                       const std::string& keyEquivalent) = 0;
    virtual void addItem(MenuItem& item) = 0;
};

// Why no window can be shown, as far as the backend can tell; the command
// line's layer words the line from it.
struct NoDisplayReason {
    enum class Kind {
        // No display was named (or none the backend can use).
        NoneNamed,
        // The named display is gone, frozen, or lacks the screen asked for.
        NotAnswering,
        // The named display's server is there and turned this user away.
        Refused,
    };
    Kind kind = Kind::NoneNamed;
    // The display as named: DISPLAY's value, or the Wayland socket's name.
    std::string display;
    bool wayland = false;
};

// The shared application object, and the factory of everything else.
class Application {
public:
    virtual ~Application() = default;

    virtual void setActivationPolicy(int policy) = 0;
    virtual void setMainMenu(Menu& menu) = 0;
    virtual void activateIgnoringOtherApps(bool ignoring) = 0;
    // False when no window can be shown at all (no display to open).
    virtual bool canShowWindows() = 0;
    // Why canShowWindows() said false; only asked after it did.
    virtual NoDisplayReason whyNoWindows() { return {}; }

    // Objects made after openScope are released, newest first, at the
    // closeScope given what it returned, as an inner autorelease pool's are:
    // a dialog that shows alert after alert releases each finished one.
    virtual std::size_t openScope() = 0;
    virtual void closeScope(std::size_t scope) = 0;

    virtual Alert& makeAlert() = 0;
    virtual View& makeView(Rect frame) = 0;
    // An empty action means no target and no action.
    virtual Checkbox& makeCheckbox(const std::string& title, Checkbox::Action action) = 0;
    virtual TextField& makeLabel(const std::string& text) = 0;
    virtual TextField& makeWrappingLabel(const std::string& text) = 0;
    virtual TextField& makeTextField(Rect frame) = 0;

    virtual const Font& systemFontOfSize(double size) = 0;
    virtual double smallSystemFontSize() = 0;
    virtual const Font& monospacedSystemFontOfSize(double size, double weight) = 0;
    virtual const Color& secondaryLabelColor() = 0;
    // Null when the file is missing or is not an image that can be read.
    virtual const Image* imageWithContentsOfFile(const std::string& path) = 0;

    virtual Menu& makeMenu(const std::string& title) = 0;
    virtual MenuItem& makeMenuItem(const std::string& title, MenuAction action,
                                   const std::string& keyEquivalent) = 0;
    virtual MenuItem& separatorItem() = 0;
};

}  // namespace ui
