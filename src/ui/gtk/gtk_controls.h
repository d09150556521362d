// The controls of the GTK 4 module: views, checkboxes, labels and fields,
// fonts, colours and images, each holding its widget or value.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "ui/arena.h"
#include "ui/toolkit.h"
#include "ui/view_tree.h"

namespace ui::gtk {

// Pixels per point: the dialogs' numbers are points made for a 13-pixel
// system font, and a desktop with a larger font (or text scaling) grows the
// layout by the same ratio, so that no text is cut. Never below 1.
double pointScale();
int pixels(double points);

// The size of the desktop's interface font, in points.
double systemFontPoints();

class GtkFont final : public Font, public Owned {
public:
    explicit GtkFont(PangoFontDescription* description) : description(description) {}
    ~GtkFont() override { pango_font_description_free(description); }
    PangoFontDescription* description;
};

// The only colour the dialogs ask for is the desktop's secondary text, which
// the theme gives as a style class (and changes with the dark style).
class GtkColor final : public Color, public Owned {
public:
    explicit GtkColor(const char* styleClass) : styleClass(styleClass) {}
    const char* styleClass;
};

class GtkImage final : public Image, public Owned {
public:
    explicit GtkImage(GdkTexture* texture) : texture(texture) {}
    ~GtkImage() override { g_object_unref(texture); }
    GdkTexture* texture;
};

// The GTK side of a view: its widget, placed in its parent's GtkFixed at the
// frame the interface gives (y counted from the bottom there, from the top
// in GTK: the node converts).
class GtkViewNode : public ViewTreeNode, public Owned {
public:
    explicit GtkViewNode(GtkWidget* widget) : widget_(GTK_WIDGET(g_object_ref_sink(widget))) {}
    ~GtkViewNode() override { g_object_unref(widget_); }
    GtkViewNode(const GtkViewNode&) = delete;
    GtkViewNode& operator=(const GtkViewNode&) = delete;

    GtkWidget* widget() const { return widget_; }
    // Lays the widget and its children at their frames again (after the
    // parent's height changed, or the widget moved to another parent).
    void applyGeometry();

protected:
    void frameChanged() override { applyGeometry(); }
    void childAdded(ViewTreeNode& child) override;

private:
    GtkWidget* widget_;
};

template <class Interface>
using GtkViewOf = ViewOf<Interface, GtkViewNode>;

class GtkPlainView final : public GtkViewOf<View> {
public:
    explicit GtkPlainView(Rect frame) : GtkViewOf<View>(gtk_fixed_new()) { setFrame(frame); }
};

// A row's checkbox: the title shown on one line with its direction isolated,
// cut with "…" where it is too long (the whole in the tooltip), the bytes
// as given in the accessible name. A locked box stays in the Tab order and
// is announced as unavailable; nothing the user does changes it.
class GtkCheckbox final : public GtkViewOf<Checkbox> {
public:
    GtkCheckbox(const std::string& title, Action action);

    std::string title() const override { return title_; }
    void setState(long state) override;
    long state() const override;
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return !locked_; }
    void setAccessibilityHelp(const std::string& help) override;

    // Gives the tooltip the whole title when the row cuts it.
    void updateTooltip();

protected:
    void frameChanged() override {
        applyGeometry();
        updateTooltip();
    }

private:
    static void toggled(GtkCheckButton* button, GtkCheckbox* self);

    std::string title_;
    Action action_;
    GtkWidget* label_;
    bool locked_ = false;
    bool settingState_ = false;
    long state_ = kControlStateValueOff;
};

class GtkTextField final : public GtkViewOf<TextField> {
public:
    enum class Kind { Label, WrappingLabel, Field };

    GtkTextField(Kind kind, const std::string& text);

    void setFont(const Font& font) override;
    void setTextColor(const Color& color) override;
    void setPlaceholderString(const std::string& placeholder) override;
    void setStringValue(const std::string& value) override;
    std::string stringValue() const override;
    Size sizeThatFits(Size bounds) const override;
    void setAccessibilityTitleUIElement(TextField& caption) override;

    bool isField() const { return kind_ == Kind::Field; }

private:
    Kind kind_;
};

}  // namespace ui::gtk
