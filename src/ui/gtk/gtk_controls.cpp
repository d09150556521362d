#include "ui/gtk/gtk_controls.h"

#include <algorithm>
#include <cmath>

#include "ui/display_text.h"

namespace ui::gtk {

double systemFontPoints() {
    gchar* name = nullptr;
    g_object_get(gtk_settings_get_default(), "gtk-font-name", &name, nullptr);
    PangoFontDescription* description = pango_font_description_from_string(name ? name : "Sans 10");
    g_free(name);
    double points = pango_font_description_get_size(description) / double(PANGO_SCALE);
    if (pango_font_description_get_size_is_absolute(description)) points *= 72.0 / 96.0;
    pango_font_description_free(description);
    return points > 0 ? points : 10;
}

double pointScale() {
    constexpr double kDesignedFontPixels = 13;
    // The desktop's text scaling reaches GTK as its font resolution.
    int xftDpi = 0;
    g_object_get(gtk_settings_get_default(), "gtk-xft-dpi", &xftDpi, nullptr);
    const double dpi = xftDpi > 0 ? xftDpi / 1024.0 : 96.0;
    return std::max(1.0, systemFontPoints() * dpi / 72.0 / kDesignedFontPixels);
}

int pixels(double points) { return static_cast<int>(std::lround(points * pointScale())); }

void GtkViewNode::childAdded(ViewTreeNode& child) {
    GtkWidget* widget = static_cast<GtkViewNode&>(child).widget_;
    if (GtkWidget* old = gtk_widget_get_parent(widget); old && GTK_IS_FIXED(old)) {
        gtk_fixed_remove(GTK_FIXED(old), widget);
    }
    gtk_fixed_put(GTK_FIXED(widget_), widget, 0, 0);
    static_cast<GtkViewNode&>(child).applyGeometry();
}

void GtkViewNode::applyGeometry() {
    const Rect frame = nodeFrame();
    if (const ViewTreeNode* parent = parentNode();
        parent && gtk_widget_get_parent(widget_) && GTK_IS_FIXED(gtk_widget_get_parent(widget_))) {
        // Round the edges, not the sizes, so that neighbours stay flush.
        const double parentHeight = parent->nodeFrame().height;
        const int left = pixels(frame.x);
        const int right = pixels(frame.x + frame.width);
        int top = pixels(parentHeight - frame.y - frame.height);
        int bottom = pixels(parentHeight - frame.y);
        // A field is never shorter than its text and frame need: it grows
        // about its middle, into the space its row leaves around it.
        if (GTK_IS_ENTRY(widget_)) {
            int needed = 0;
            gtk_widget_measure(widget_, GTK_ORIENTATION_VERTICAL, -1, &needed, nullptr, nullptr, nullptr);
            if (bottom - top < needed) {
                top -= (needed - (bottom - top)) / 2;
                bottom = top + needed;
            }
        }
        gtk_fixed_move(GTK_FIXED(gtk_widget_get_parent(widget_)), widget_, left, top);
        gtk_widget_set_size_request(widget_, std::max(0, right - left), std::max(0, bottom - top));
    } else {
        gtk_widget_set_size_request(widget_, pixels(frame.width), pixels(frame.height));
    }
    for (ViewTreeNode* child : childNodes()) static_cast<GtkViewNode*>(child)->applyGeometry();
}

namespace {

GtkWidget* oneLineLabel(const std::string& text) {
    GtkWidget* label = gtk_label_new(nullptr);
    gtk_label_set_text(GTK_LABEL(label), text.c_str());  // never markup
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_single_line_mode(GTK_LABEL(label), TRUE);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    return label;
}

}  // namespace

GtkCheckbox::GtkCheckbox(const std::string& title, Action action)
    : GtkViewOf<Checkbox>(gtk_check_button_new()), title_(title), action_(std::move(action)) {
    // The row shows the name on one line; a screen reader gets its bytes.
    label_ = oneLineLabel(withoutDirectionControls(title));
    gtk_accessible_update_state(GTK_ACCESSIBLE(label_), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
    gtk_check_button_set_child(GTK_CHECK_BUTTON(widget()), label_);
    gtk_accessible_update_property(GTK_ACCESSIBLE(widget()), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   title_.c_str(), -1);
    // Said outright: GTK reports a box enabled only where it was told.
    gtk_accessible_update_state(GTK_ACCESSIBLE(widget()), GTK_ACCESSIBLE_STATE_DISABLED, FALSE, -1);
    g_signal_connect(widget(), "toggled", G_CALLBACK(toggled), this);
}

void GtkCheckbox::toggled(GtkCheckButton* button, GtkCheckbox* self) {
    if (self->settingState_) return;
    if (self->locked_) {
        // A click, Space or a screen reader's toggle: a locked box keeps its
        // state, whichever way the change came.
        self->setState(self->state_);
        return;
    }
    gtk_check_button_set_inconsistent(button, FALSE);
    self->state_ = gtk_check_button_get_active(button) ? kControlStateValueOn : kControlStateValueOff;
    if (self->action_) self->action_(*self);
}

void GtkCheckbox::setState(long state) {
    settingState_ = true;
    state_ = state;
    GtkCheckButton* button = GTK_CHECK_BUTTON(widget());
    gtk_check_button_set_inconsistent(button, state == kControlStateValueMixed);
    gtk_check_button_set_active(button, state == kControlStateValueOn);
    settingState_ = false;
}

long GtkCheckbox::state() const { return state_; }

void GtkCheckbox::setEnabled(bool enabled) {
    locked_ = !enabled;
    // Kept sensitive, so that Tab still reaches it; drawn and announced as
    // unavailable.
    gtk_accessible_update_state(GTK_ACCESSIBLE(widget()), GTK_ACCESSIBLE_STATE_DISABLED, locked_, -1);
    gtk_widget_set_opacity(widget(), locked_ ? 0.5 : 1.0);
}

void GtkCheckbox::setAccessibilityHelp(const std::string& help) {
    gtk_accessible_update_property(GTK_ACCESSIBLE(widget()), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                   help.c_str(), -1);
}

void GtkCheckbox::updateTooltip() {
    int natural = 0;
    gtk_widget_measure(widget(), GTK_ORIENTATION_HORIZONTAL, -1, nullptr, &natural, nullptr, nullptr);
    const bool cut = natural > pixels(nodeFrame().width);
    gtk_widget_set_tooltip_text(widget(), cut ? withLineBreaksMarked(title_).c_str() : nullptr);
}

namespace {

GtkWidget* makeTextWidget(GtkTextField::Kind kind) {
    if (kind == GtkTextField::Kind::Field) return gtk_entry_new();
    GtkWidget* label = gtk_label_new(nullptr);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    // A one-line label (a field's caption) stands level with the middle of
    // its row, where a field taller than its frame grows about.
    gtk_label_set_yalign(GTK_LABEL(label), kind == GtkTextField::Kind::Label ? 0.5f : 0.0f);
    if (kind == GtkTextField::Kind::WrappingLabel) {
        gtk_label_set_wrap(GTK_LABEL(label), TRUE);
        gtk_label_set_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
    }
    return label;
}

}  // namespace

GtkTextField::GtkTextField(Kind kind, const std::string& text)
    : GtkViewOf<TextField>(makeTextWidget(kind)), kind_(kind) {
    setStringValue(text);
}

void GtkTextField::setFont(const Font& font) {
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes,
                           pango_attr_font_desc_new(static_cast<const GtkFont&>(font).description));
    if (kind_ == Kind::Field) {
        gtk_entry_set_attributes(GTK_ENTRY(widget()), attributes);
    } else {
        gtk_label_set_attributes(GTK_LABEL(widget()), attributes);
    }
    pango_attr_list_unref(attributes);
}

void GtkTextField::setTextColor(const Color& color) {
    gtk_widget_add_css_class(widget(), static_cast<const GtkColor&>(color).styleClass);
}

void GtkTextField::setPlaceholderString(const std::string& placeholder) {
    if (kind_ == Kind::Field) gtk_entry_set_placeholder_text(GTK_ENTRY(widget()), placeholder.c_str());
}

void GtkTextField::setStringValue(const std::string& value) {
    if (kind_ == Kind::Field) {
        gtk_editable_set_text(GTK_EDITABLE(widget()), value.c_str());
    } else {
        gtk_label_set_text(GTK_LABEL(widget()), value.c_str());  // never markup
    }
}

std::string GtkTextField::stringValue() const {
    if (kind_ == Kind::Field) return gtk_editable_get_text(GTK_EDITABLE(widget()));
    return gtk_label_get_text(GTK_LABEL(widget()));
}

Size GtkTextField::sizeThatFits(Size bounds) const {
    const double scale = pointScale();
    int width = 0, height = 0;
    gtk_widget_measure(widget(), GTK_ORIENTATION_HORIZONTAL, -1, nullptr, &width, nullptr, nullptr);
    if (kind_ != Kind::WrappingLabel) {
        gtk_widget_measure(widget(), GTK_ORIENTATION_VERTICAL, -1, nullptr, &height, nullptr, nullptr);
        return {width / scale, height / scale};
    }
    const int limit = std::max(1, static_cast<int>(std::floor(std::min(bounds.width * scale, 1e6))));
    gtk_widget_measure(widget(), GTK_ORIENTATION_VERTICAL, limit, nullptr, &height, nullptr, nullptr);
    return {std::min(limit, width) / scale, std::min(bounds.height, height / scale)};
}

void GtkTextField::setAccessibilityTitleUIElement(TextField& caption) {
    gtk_accessible_update_relation(GTK_ACCESSIBLE(widget()), GTK_ACCESSIBLE_RELATION_LABELLED_BY,
                                   nodeOf<GtkViewNode>(caption).widget(), nullptr, -1);
}

}  // namespace ui::gtk
