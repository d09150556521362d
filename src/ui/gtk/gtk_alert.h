// The alert of the GTK 4 module, drawn as the desktop's message dialog:
// heading, body, the accessory view under them, and the responses in a row
// at the bottom, the first one default, suggested and rightmost.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/arena.h"
#include "ui/gtk/gtk_controls.h"
#include "ui/alert/alert_model.h"
#include "ui/alert/capabilities.h"
#include "ui/alert/input_guard.h"
#include "ui/toolkit.h"

namespace ui::gtk {

// What the GTK module can and cannot do, against the other backends.
inline constexpr alert::Capabilities kCapabilities{
    .nativeAlert = false,
    .keepsOnTop = true,  // on X11; Wayland lets no client ask for it
    // The desktop's alerts carry no sign.
    .showsIcon = false,
    .tabReachesBoxes = true,
    .lockedBoxInTabOrder = true,
    .textsInTabOrder = false,
    .scrollsLongText = false,
    // GTK's own convention: Return presses the focused button.
    .returnKey = alert::ReturnKey::FocusedButton,
    // GTK's fields have Ctrl+X, C, V and A of their own.
    .editKeys = alert::EditKeys::MenuBar,
    .keyGuard = alert::KeyGuard::QuietTime,
};

// What an alert needs of the application that made it.
class AlertHost {
public:
    // The first window of the run is on screen.
    virtual void windowShown() = 0;

protected:
    ~AlertHost() = default;
};

class GtkAlert;

class GtkAlertWindow final : public Window {
public:
    explicit GtkAlertWindow(GtkAlert& alert) : alert_(alert) {}
    void setLevel(int level) override;
    void makeFirstResponder(View& view) override;

private:
    GtkAlert& alert_;
};

class GtkAlert final : public Alert, public Owned {
public:
    explicit GtkAlert(AlertHost& host) : host_(host), window_(*this) {}
    ~GtkAlert() override;
    GtkAlert(const GtkAlert&) = delete;
    GtkAlert& operator=(const GtkAlert&) = delete;

    void setMessageText(const std::string& text) override { model_.messageText = text; }
    void setInformativeText(const std::string& text) override { model_.informativeText = text; }
    void setAlertStyle(int style) override { model_.style = style; }
    void setIcon(const Image& icon) override { model_.icon = &icon; }
    void addButtonWithTitle(const std::string& title) override { model_.buttons.push_back(title); }
    void setAccessoryView(View& view) override { accessory_ = &nodeOf<GtkViewNode>(view); }
    void layout() override;
    Window& window() override { return window_; }
    long runModal() override;

    void setFloating(bool floating) { floating_ = floating; }
    void setFirstResponder(GtkWidget* widget) { firstResponder_ = widget; }

private:
    static gboolean keyPressed(GtkEventControllerKey*, guint keyval, guint keycode,
                               GdkModifierType state, GtkAlert* self);
    static void keyReleased(GtkEventControllerKey*, guint keyval, guint keycode, GdkModifierType state,
                            GtkAlert* self);
    static void activeChanged(GObject* window, GParamSpec*, GtkAlert* self);
    static void mapped(GtkWidget* window, GtkAlert* self);

    GtkWidget* buildWindow(GtkWidget* extra);
    GtkWidget* extraChild();
    void fitToScreen(GtkWidget* extra);
    void moveFocus(bool forward);
    void finish(std::optional<long> result);

    AlertHost& host_;
    GtkAlertWindow window_;
    alert::AlertModel model_;
    GtkViewNode* accessory_ = nullptr;
    GtkWidget* firstResponder_ = nullptr;
    bool floating_ = false;

    GtkWidget* dialog_ = nullptr;
    GtkWidget* body_ = nullptr;
    std::vector<GtkWidget*> buttons_;     // in the order added
    std::vector<GtkWidget*> focusChain_;  // what Tab goes through, in order
    alert::InputGuard guard_;
    std::vector<std::uint32_t> keysDown_;
    bool done_ = false;
    long result_ = kModalResponseCancel;
};

}  // namespace ui::gtk
