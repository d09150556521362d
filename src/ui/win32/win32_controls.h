// The controls of the Win32 backend: views, checkboxes, labels and fields,
// fonts, colours, images and the Edit menu's items. A control keeps its
// state itself and makes its window only when an alert is shown, since a
// Win32 child window needs its parent from the start; the window mirrors
// that state while it lives, and the state outlives it, so that a dialog
// reads its answers after the run.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/alert/tab_order.h"
#include "ui/arena.h"
#include "ui/menu_list.h"
#include "ui/toolkit.h"
#include "ui/view_tree.h"

struct IWICBitmapSource;

namespace ui::win32 {

// Pixels per point, and the desktop's message font, at one DPI. The dialogs'
// numbers are points made for a 13-pixel system font: a point is at least
// the DPI's share of 96, and more where the desktop's font is larger than
// that, so that a large text setting grows the layout instead of cutting it.
struct Metrics {
    UINT dpi = 96;
    double scale = 1;
    LOGFONTW messageFont{};
    int px(double points) const;
};

Metrics metricsFor(UINT dpi);
// The DPI of the monitor the next window opens on: the one under the pointer.
UINT dpiOfMonitorUnderPointer();

// The metrics the run measures text with until a window has its own.
const Metrics& runMetrics();
void setRunMetrics(const Metrics& metrics);

class Win32Font final : public Font, public Owned {
public:
    Win32Font(double points, bool monospaced) : points(points), monospaced(monospaced) {}
    LOGFONTW logFont(const Metrics& metrics) const;
    double points;
    bool monospaced;
};

class Win32Color final : public Color, public Owned {
public:
    explicit Win32Color(int systemColor) : systemColor(systemColor) {}
    int systemColor;  // read when drawn, so that a theme change follows
};

class Win32Image final : public Image, public Owned {
public:
    explicit Win32Image(IWICBitmapSource* bitmap) : bitmap_(bitmap) {}
    ~Win32Image() override;
    Win32Image(const Win32Image&) = delete;
    Win32Image& operator=(const Win32Image&) = delete;
    // An icon of side × side pixels, the picture fitted inside it; null when
    // it cannot be made. The caller destroys it.
    HICON makeIcon(int side) const;

private:
    IWICBitmapSource* bitmap_;
};

// The system's information or warning sign at side × side pixels; the
// caller destroys it.
HICON stockIcon(bool informational, int side);

// Decodes a PNG (or any image WIC reads) from a regular file.
Win32Image* loadImage(const std::wstring& path, Arena& arena);

// The size, in pixels, that a text takes in a font; `width` bounds a text
// that wraps (DrawText's flags say whether it does).
SIZE textExtent(HFONT font, const std::wstring& text, int width, UINT flags);

// Fonts made for one window, released with it.
class FontCache {
public:
    explicit FontCache(const Metrics& metrics) : metrics_(metrics) {}
    ~FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;
    HFONT font(const Win32Font* font);  // null: the message font
    HFONT bold(double factor);          // the message font, bold and larger
    const Metrics& metrics() const { return metrics_; }

private:
    HFONT make(const LOGFONTW& logFont);
    Metrics metrics_;
    std::vector<HFONT> made_;
    std::vector<std::pair<const Win32Font*, HFONT>> byFont_;
};

// Sets what a screen reader reads as a control's name, or as its help.
enum class AccessibleText { Name, Help };
void setAccessibleText(HWND control, AccessibleText which, const std::wstring& text);

// What a control needs to make its window.
struct ControlSite {
    HWND parent;
    RECT rect;  // pixels, in the parent's client area
    int id;
    FontCache& fonts;
};

class Win32ViewNode : public ViewTreeNode, public Owned {
public:
    HWND hwnd() const { return hwnd_; }
    // Makes the control's window; a plain view has none.
    virtual void createControl(const ControlSite& /*site*/) {}
    // The window is going away: its state is kept.
    virtual void controlDestroyed() { hwnd_ = nullptr; }
    // A notification the control sent its parent.
    virtual void command(WORD /*code*/) {}
    // The colour its text is drawn in, where it sets one.
    virtual const Win32Color* textColor() const { return nullptr; }
    // The text its tooltip shows, where it has one.
    virtual std::wstring tooltip() const { return {}; }
    // What it is to the keyboard, and whether Tab stops at it.
    virtual alert::Focus focus() const { return alert::Focus::None; }
    void setTabStop(bool tabStop) { tabStop_ = tabStop; }

protected:
    DWORD tabStopStyle() const { return tabStop_ ? WS_TABSTOP : 0; }

    HWND hwnd_ = nullptr;
    bool tabStop_ = false;
};

template <class Interface>
using Win32ViewOf = ViewOf<Interface, Win32ViewNode>;

class Win32PlainView final : public Win32ViewOf<View> {
public:
    explicit Win32PlainView(Rect frame) { setFrame(frame); }
};

class Win32Checkbox final : public Win32ViewOf<Checkbox> {
public:
    Win32Checkbox(std::string title, Action action) : title_(std::move(title)), action_(std::move(action)) {}

    std::string title() const override { return title_; }
    void setState(long state) override;
    long state() const override { return state_; }
    // A locked box is disabled, as Windows shows a choice that cannot be
    // changed; the state it shows stays readable.
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return enabled_; }
    void setAccessibilityHelp(const std::string& help) override;

    void createControl(const ControlSite& site) override;
    void command(WORD code) override;
    std::wstring tooltip() const override;
    alert::Focus focus() const override {
        return enabled_ ? alert::Focus::Checkbox : alert::Focus::LockedCheckbox;
    }

private:
    std::string title_;
    Action action_;
    bool cut_ = false;  // shown with an ellipsis
    long state_ = kControlStateValueOff;
    bool enabled_ = true;
    std::string help_;
};

class Win32TextField final : public Win32ViewOf<TextField> {
public:
    enum class Kind { Label, WrappingLabel, Field };
    Win32TextField(Kind kind, std::string text) : kind_(kind), text_(std::move(text)) {}

    void setFont(const Font& font) override { font_ = &static_cast<const Win32Font&>(font); }
    void setTextColor(const Color& color) override { color_ = &static_cast<const Win32Color&>(color); }
    void setPlaceholderString(const std::string& placeholder) override;
    void setStringValue(const std::string& value) override;
    std::string stringValue() const override { return text_; }
    Size sizeThatFits(Size bounds) const override;
    void setAccessibilityTitleUIElement(TextField& caption) override;

    void createControl(const ControlSite& site) override;
    void command(WORD code) override;
    const Win32Color* textColor() const override { return color_; }
    bool isField() const { return kind_ == Kind::Field; }
    alert::Focus focus() const override { return isField() ? alert::Focus::Field : alert::Focus::None; }

private:
    Kind kind_;
    std::string text_;
    std::string placeholder_;
    const Win32Font* font_ = nullptr;
    const Win32Color* color_ = nullptr;
    const Win32TextField* caption_ = nullptr;
};

// The Edit menu, kept as a list whose keys each alert binds.
using Win32MenuItem = ListedMenuItem;
using Win32Menu = ListedMenu;

// The editing action a key press stands for in the menu, if any: Command
// and Control are both Ctrl here.
MenuAction menuActionForKey(const Win32Menu* menu, WPARAM virtualKey, bool control, bool shift, bool alt);

}  // namespace ui::win32
