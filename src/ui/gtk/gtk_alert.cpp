#include "ui/gtk/gtk_alert.h"

#include <algorithm>
#include <cmath>

#include "ui/gtk/gtk_x11.h"
#include "ui/alert/screen_plan.h"

namespace ui::gtk {

namespace {

int naturalHeight(GtkWidget* widget, int forWidth = -1) {
    int height = 0;
    gtk_widget_measure(widget, GTK_ORIENTATION_VERTICAL, forWidth, nullptr, &height, nullptr, nullptr);
    return height;
}

GtkWidget* scrolledAt(GtkWidget* content, int height) {
    GtkWidget* scroll = gtk_scrolled_window_new();
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroll), GTK_POLICY_NEVER, GTK_POLICY_ALWAYS);
    gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroll), FALSE);
    gtk_scrolled_window_set_has_frame(GTK_SCROLLED_WINDOW(scroll), TRUE);
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroll), content);
    gtk_widget_set_size_request(scroll, -1, height);
    gtk_widget_set_halign(scroll, GTK_ALIGN_START);
    return scroll;
}

}  // namespace

void GtkAlertWindow::setLevel(int level) { alert_.setFloating(level >= kFloatingWindowLevel); }

void GtkAlertWindow::makeFirstResponder(View& view) {
    alert_.setFirstResponder(nodeOf<GtkViewNode>(view).widget());
}

GtkAlert::~GtkAlert() {
    if (dialog_) gtk_window_destroy(GTK_WINDOW(dialog_));
}

// The texts and the accessory view as the message dialog's extra child.
GtkWidget* GtkAlert::extraChild() {
    GtkWidget* extra = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
    if (accessory_) {
        gtk_widget_set_halign(accessory_->widget(), GTK_ALIGN_CENTER);
        gtk_box_append(GTK_BOX(extra), accessory_->widget());
    }
    return extra;
}

// The window of libadwaita's message dialog, from its own style classes:
// the dialog itself keeps its responses twice in the accessibility tree (a
// row and a column, one hidden), and a screen reader would hear each
// button twice. Without libadwaita, GTK's dialog classes, and the sign the
// desktop's theme has for the style.
GtkWidget* GtkAlert::buildWindow(GtkWidget* extra) {
    GtkWidget* dialog = gtk_window_new();
    gtk_widget_add_css_class(dialog, "messagedialog");
    gtk_widget_add_css_class(dialog, "dialog");
    gtk_widget_add_css_class(dialog, "message");
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    // No title bar, as the desktop's alerts; dragged by any part.
    gtk_window_set_titlebar(GTK_WINDOW(dialog), gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0));
    GtkWidget* handle = gtk_window_handle_new();
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_window_handle_set_child(GTK_WINDOW_HANDLE(handle), column);
    gtk_window_set_child(GTK_WINDOW(dialog), handle);

    GtkWidget* message = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
    gtk_widget_add_css_class(message, "message-area");
    gtk_widget_set_vexpand(message, TRUE);
#ifndef SETUP_DIALOG_HAVE_ADWAITA
    gtk_widget_set_margin_top(message, 24);
    gtk_widget_set_margin_bottom(message, 24);
    gtk_widget_set_margin_start(message, 30);
    gtk_widget_set_margin_end(message, 30);
    // The program's icon where it has one, else the theme's sign.
    GtkWidget* icon =
        model_.icon ? gtk_image_new_from_paintable(GDK_PAINTABLE(static_cast<const GtkImage*>(model_.icon)->texture))
                    : gtk_image_new_from_icon_name(model_.style == kAlertStyleInformational ? "dialog-information"
                                                                                             : "dialog-warning");
    gtk_image_set_pixel_size(GTK_IMAGE(icon), 64);
    gtk_accessible_update_property(GTK_ACCESSIBLE(icon), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   alert::stockSignName(model_.style).c_str(), -1);
    gtk_box_append(GTK_BOX(message), icon);
#endif
    const int textWidth = std::max(pixels(300), accessory_ ? pixels(accessory_->nodeFrame().width) : 0);
    GtkWidget* heading = gtk_label_new(model_.messageText.c_str());  // never markup
    gtk_widget_add_css_class(heading, "title-2");
    gtk_label_set_wrap(GTK_LABEL(heading), TRUE);
    gtk_label_set_wrap_mode(GTK_LABEL(heading), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_justify(GTK_LABEL(heading), GTK_JUSTIFY_CENTER);
    // As wide as the accessory view, or the alert's own width: a long
    // line wraps instead of widening the alert.
    gtk_label_set_max_width_chars(GTK_LABEL(heading), 20);
    gtk_widget_set_size_request(heading, textWidth, -1);
    gtk_box_append(GTK_BOX(message), heading);
    if (!model_.informativeText.empty()) {
        GtkWidget* body = gtk_label_new(model_.informativeText.c_str());
        gtk_widget_add_css_class(body, "body");
        gtk_label_set_wrap(GTK_LABEL(body), TRUE);
        gtk_label_set_wrap_mode(GTK_LABEL(body), PANGO_WRAP_WORD_CHAR);
        gtk_label_set_justify(GTK_LABEL(body), GTK_JUSTIFY_CENTER);
        gtk_label_set_max_width_chars(GTK_LABEL(body), 20);
        gtk_label_set_selectable(GTK_LABEL(body), TRUE);
        gtk_widget_set_size_request(body, textWidth, -1);
        gtk_widget_set_can_focus(body, FALSE);
        gtk_box_append(GTK_BOX(message), body);
        body_ = body;
    }
    gtk_box_append(GTK_BOX(message), extra);
    gtk_box_append(GTK_BOX(column), message);
    gtk_box_append(GTK_BOX(column), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL));

    GtkWidget* area = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_add_css_class(area, "response-area");
    GtkWidget* responses = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_box_set_homogeneous(GTK_BOX(responses), TRUE);
    // The first button stands rightmost, the others leftward in order; a
    // screen reader still meets them in the order they were added.
    gtk_widget_set_direction(responses, GTK_TEXT_DIR_RTL);
    for (std::size_t i = 0; i < model_.buttons.size(); ++i) {
        GtkWidget* button = gtk_button_new_with_label(model_.buttons[i].c_str());  // no mnemonic
        gtk_widget_set_hexpand(button, TRUE);
        gtk_widget_add_css_class(button, "flat");
        gtk_accessible_update_property(GTK_ACCESSIBLE(button), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                       model_.buttons[i].c_str(), -1);
        gtk_accessible_update_state(GTK_ACCESSIBLE(gtk_button_get_child(GTK_BUTTON(button))),
                                    GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
        if (i == 0) {
            gtk_widget_add_css_class(button, "suggested");
            gtk_window_set_default_widget(GTK_WINDOW(dialog), button);
        }
        g_object_set_data(G_OBJECT(button), "result", GSIZE_TO_POINTER(i));
        g_signal_connect(button, "clicked", G_CALLBACK(+[](GtkButton* pressed, GtkAlert* self) {
                             const auto index = GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(pressed), "result"));
                             self->finish(alert::resultOfButton(index));
                         }),
                         this);
        gtk_box_append(GTK_BOX(responses), button);
        buttons_.push_back(button);
    }
    gtk_box_append(GTK_BOX(area), responses);
    gtk_box_append(GTK_BOX(column), area);
    // Closing the window answers none of the buttons.
    g_signal_connect(dialog, "close-request", G_CALLBACK(+[](GtkWindow*, GtkAlert* self) -> gboolean {
                         self->finish(self->model_.answerFor(alert::Ending::WindowClosed));
                         return TRUE;
                     }),
                     this);
    return dialog;
}

// An alert taller than the work area would push the buttons out of reach:
// the accessory view scrolls instead (only its leading list of rows, where
// it starts with one, so that what stands under the list stays in view),
// by as much as the alert overflows.
void GtkAlert::fitToScreen(GtkWidget* extra) {
    if (!accessory_) return;
    constexpr int kTitleBar = 40;  // the window manager's frame, not known before showing
    const GdkRectangle area = workArea(gtk_widget_get_display(dialog_));
    const int overflow = naturalHeight(dialog_) - (area.height - kTitleBar);
    if (overflow <= 0) return;

    GtkWidget* view = accessory_->widget();
    const ScrolledRows scrolled = scrolledRows(*accessory_);
    const std::vector<ViewTreeNode*>& rows = scrolled.rows;
    const double viewHeight = accessory_->nodeFrame().height;
    const int band = pixels(scrolled.height);
    const int visible = std::max(pixels(alert::kMinimumScrolledHeight), band - overflow);
    const int width = pixels(accessory_->nodeFrame().width);

    g_object_ref(view);
    gtk_box_remove(GTK_BOX(extra), view);
    GtkWidget* holder = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_set_halign(holder, GTK_ALIGN_CENTER);
    if (!rows.empty()) {
        // What stands under the rows moves to a view of its own, under the
        // scrolled list, at the same place relative to the list's end.
        GtkWidget* under = gtk_fixed_new();
        const int belowHeight = pixels(viewHeight) - band;
        gtk_widget_set_size_request(under, width, belowHeight);
        for (ViewTreeNode* child : accessory_->childNodes()) {
            if (std::find(rows.begin(), rows.end(), child) != rows.end()) continue;
            GtkWidget* widget = static_cast<GtkViewNode*>(child)->widget();
            const Rect frame = child->nodeFrame();
            const double x = pixels(frame.x);
            const double y = pixels(viewHeight - frame.y - frame.height);
            g_object_ref(widget);
            gtk_fixed_remove(GTK_FIXED(view), widget);
            gtk_fixed_put(GTK_FIXED(under), widget, x, y - band);
            g_object_unref(widget);
        }
        gtk_widget_set_size_request(view, width, band);
        gtk_box_append(GTK_BOX(holder), scrolledAt(view, visible));
        gtk_box_append(GTK_BOX(holder), under);
    } else {
        gtk_box_append(GTK_BOX(holder), scrolledAt(view, visible));
    }
    g_object_unref(view);
    gtk_box_append(GTK_BOX(extra), holder);
}

void GtkAlert::layout() {
    if (dialog_) return;
    GtkWidget* extra = extraChild();
    dialog_ = buildWindow(extra);
    g_object_ref_sink(dialog_);
    gtk_window_set_title(GTK_WINDOW(dialog_), model_.messageText.c_str());
    gtk_window_set_modal(GTK_WINDOW(dialog_), TRUE);
    fitToScreen(extra);

    // Tab runs through the accessory view's controls in reading order, then
    // the buttons from the first.
    if (accessory_) {
        for (const PlacedNode& placed : inReadingOrder(*accessory_)) {
            GtkWidget* widget = static_cast<GtkViewNode*>(placed.node)->widget();
            if (GTK_IS_CHECK_BUTTON(widget) || GTK_IS_ENTRY(widget)) focusChain_.push_back(widget);
            if (auto* box = dynamic_cast<GtkCheckbox*>(placed.node)) box->updateTooltip();
        }
    }
    focusChain_.insert(focusChain_.end(), buttons_.begin(), buttons_.end());

    GtkEventController* keys = gtk_event_controller_key_new();
    gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
    g_signal_connect(keys, "key-pressed", G_CALLBACK(keyPressed), this);
    g_signal_connect(keys, "key-released", G_CALLBACK(keyReleased), this);
    gtk_widget_add_controller(dialog_, keys);
    g_signal_connect(dialog_, "notify::is-active", G_CALLBACK(activeChanged), this);
    g_signal_connect(dialog_, "map", G_CALLBACK(mapped), this);
}

// Keys count only once the alert has been active for the guard's quiet time.
// GDK reports a held key as presses without releases: a press of a key
// already down is its repeat.
gboolean GtkAlert::keyPressed(GtkEventControllerKey*, guint keyval, guint keycode, GdkModifierType state,
                              GtkAlert* self) {
    const bool down = std::find(self->keysDown_.begin(), self->keysDown_.end(), keycode) != self->keysDown_.end();
    if (!down) self->keysDown_.push_back(keycode);
    alert::KeyEvent key{keycode, down ? alert::KeyEvent::Phase::Repeat : alert::KeyEvent::Phase::Press};
    if (!self->guard_.keyArrives(alert::InputGuard::Clock::now(), key)) return TRUE;
    const auto modifiers = state & (GDK_CONTROL_MASK | GDK_ALT_MASK | GDK_SHIFT_MASK | GDK_SUPER_MASK);
    if (keyval == GDK_KEY_Escape) {
        // Never dismissed without an answer the dialog knows.
        if (modifiers == 0) self->finish(self->model_.answerFor(alert::Ending::Escape));
        return TRUE;
    }
    if ((keyval == GDK_KEY_Return || keyval == GDK_KEY_KP_Enter || keyval == GDK_KEY_ISO_Enter) &&
        modifiers == 0) {
        // The focused button takes it where that is the convention (GTK's
        // own button activation); from anything else (a checkbox, a field)
        // the alert answers it.
        GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(self->dialog_));
        const bool toFocus = kCapabilities.returnKey == alert::ReturnKey::FocusedButton;
        if (toFocus && focus && GTK_IS_BUTTON(focus)) return FALSE;
        self->finish(self->model_.answerFor(alert::Ending::Return));
        return TRUE;
    }
    if (keyval == GDK_KEY_Tab || keyval == GDK_KEY_ISO_Left_Tab || keyval == GDK_KEY_KP_Tab) {
        if ((modifiers & ~GDK_SHIFT_MASK) != 0) return FALSE;
        self->moveFocus(keyval != GDK_KEY_ISO_Left_Tab && !(modifiers & GDK_SHIFT_MASK));
        return TRUE;
    }
    return FALSE;
}

void GtkAlert::keyReleased(GtkEventControllerKey*, guint, guint keycode, GdkModifierType, GtkAlert* self) {
    std::erase(self->keysDown_, keycode);
    self->guard_.keyArrives(alert::InputGuard::Clock::now(), alert::KeyEvent{keycode, alert::KeyEvent::Phase::Release});
}

void GtkAlert::activeChanged(GObject* window, GParamSpec*, GtkAlert* self) {
    if (gtk_window_is_active(GTK_WINDOW(window))) {
        self->guard_.activated(alert::InputGuard::Clock::now());
    } else {
        self->guard_.deactivated();
        self->keysDown_.clear();
    }
}

void GtkAlert::mapped(GtkWidget*, GtkAlert* self) {
    self->host_.windowShown();
    if (self->floating_) keepAboveOnX11(self->dialog_);
    // A window another client destroyed is closed as far as the parent is
    // concerned.
    watchX11Window(self->dialog_, [](void* alert) {
        auto* self = static_cast<GtkAlert*>(alert);
        self->finish(self->model_.answerFor(alert::Ending::WindowClosed));
    }, self);
}

void GtkAlert::moveFocus(bool forward) {
    if (focusChain_.empty()) return;
    GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(dialog_));
    auto at = focusChain_.end();
    for (GtkWidget* widget = focus; widget && at == focusChain_.end(); widget = gtk_widget_get_parent(widget)) {
        at = std::find(focusChain_.begin(), focusChain_.end(), widget);
    }
    const auto count = static_cast<long>(focusChain_.size());
    long index = at == focusChain_.end() ? (forward ? -1 : 0) : at - focusChain_.begin();
    index = ((index + (forward ? 1 : -1)) % count + count) % count;
    gtk_widget_grab_focus(focusChain_[static_cast<std::size_t>(index)]);
}

void GtkAlert::finish(std::optional<long> result) {
    if (done_ || !result) return;
    result_ = *result;
    done_ = true;
}

long GtkAlert::runModal() {
    layout();
    done_ = false;
    gtk_window_present(GTK_WINDOW(dialog_));
    GtkWidget* first = firstResponder_ ? firstResponder_ : buttons_.empty() ? nullptr : buttons_.front();
    if (first) {
        gtk_widget_grab_focus(first);
        // A field made first responder starts with its whole text selected,
        // so that typing replaces a value put back into it.
        if (GTK_IS_EDITABLE(first)) gtk_editable_select_region(GTK_EDITABLE(first), 0, -1);
    }
    while (!done_) g_main_context_iteration(nullptr, TRUE);
    unwatchX11Window(dialog_);
    gtk_widget_set_visible(dialog_, FALSE);
    return result_;
}

}  // namespace ui::gtk
