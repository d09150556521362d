// The GTK 4 module's application object and its entry: starts GTK on the
// display the program found (X11 first, where a window can keep itself on
// top), with GTK's and GLib's messages kept off standard error, and reports
// a display lost, or a window that never shows, to the program.
//
// What it does with the interface:
// - Alert: the desktop's message dialog (gtk_alert); Escape presses
//   the cancelling button only; keys count after the guard's quiet time.
// - Window: the floating level keeps the alert on top on X11; the first
//   responder takes the focus, a field with its text selected.
// - Views, checkboxes, labels, fields: widgets in GtkFixed containers at
//   their frames (gtk_controls); a field is labelled by its caption.
// - Fonts, colours, images: the desktop's font and its dim text style.
// What it ignores: the activation policy, and the Edit menu, whose keys
// (Ctrl+X, C, V, A) GTK's fields already have.
#include <unistd.h>

#include <gtk/gtk.h>
#ifdef SETUP_DIALOG_HAVE_ADWAITA
#include <adwaita.h>
#endif

#include <cstdlib>
#include <memory>

#include "ui/arena.h"
#include "ui/gtk/gtk_alert.h"
#include "ui/gtk/gtk_controls.h"
#include "ui/gtk/gtk_x11.h"
#include "ui/image_header.h"
#include "ui/menu_list.h"
#include "ui/toolkit_host.h"

namespace ui::gtk {

namespace {

const ToolkitHost* theHost = nullptr;

GLogWriterOutput quietWriter(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer) {
    if (theHost && theHost->showToolkitMessages) return g_log_writer_default(level, fields, count, nullptr);
    return G_LOG_WRITER_HANDLED;
}

// GDK ends the process itself, silently here, when its connection breaks:
// the program is told first, and writes its line.
void displayLost() {
    if (theHost) theHost->endRun(EarlyEnd::DisplayLost);
}

// Settings that would make GTK talk on standard error, open its inspector,
// or make every warning fatal: read only when the toolkit's messages are
// asked for.
void dropDebugSettings() {
    for (const char* name : {"G_DEBUG", "G_MESSAGES_DEBUG", "GDK_DEBUG", "GTK_DEBUG", "GSK_DEBUG",
                             "GTK_INSPECTOR_DISPLAY", "GOBJECT_DEBUG", "ADW_DEBUG_HIGH_CONTRAST"}) {
        unsetenv(name);
    }
}

bool startGtk(const ToolkitHost& host) {
    // Standard error itself the program has pointed away already; what
    // GTK and GLib say goes through the writer, and out only when asked.
    if (!host.showToolkitMessages) dropDebugSettings();
    g_log_set_writer_func(quietWriter, nullptr, nullptr);
    // Only a display the program found answering, X11 first.
    if (host.x11Answers) {
        gdk_set_allowed_backends("x11");
    } else if (host.waylandAnswers) {
        gdk_set_allowed_backends("wayland");
    } else {
        return false;
    }
    if (!gtk_init_check()) return false;
#ifdef SETUP_DIALOG_HAVE_ADWAITA
    adw_init();
#endif
    onX11ConnectionLost(displayLost);
    g_signal_connect(gdk_display_get_default(), "closed",
                     G_CALLBACK(+[](GdkDisplay*, gboolean, gpointer) { displayLost(); }), nullptr);
    return true;
}

class GtkApplicationImpl final : public Application, public AlertHost {
public:
    explicit GtkApplicationImpl(const ToolkitHost& host) : host_(host) {}
    ~GtkApplicationImpl() override {
        if (deadline_) g_source_remove(deadline_);
        arena_.clear();
    }

    void setActivationPolicy(int) override {}
    void setMainMenu(Menu&) override {}
    void activateIgnoringOtherApps(bool) override {}
    bool canShowWindows() override { return true; }

    std::size_t openScope() override { return arena_.mark(); }
    void closeScope(std::size_t scope) override { arena_.releaseTo(scope); }

    Alert& makeAlert() override {
        // A window that never shows would leave the parent waiting forever.
        if (!shown_ && !deadline_) {
            deadline_ = g_timeout_add_seconds(10, +[](gpointer data) -> gboolean {
                static_cast<GtkApplicationImpl*>(data)->host_.endRun(EarlyEnd::WindowNeverAppeared);
                return G_SOURCE_REMOVE;
            }, this);
        }
        return arena_.own(std::make_unique<GtkAlert>(*this));
    }
    View& makeView(Rect frame) override { return arena_.own(std::make_unique<GtkPlainView>(frame)); }
    Checkbox& makeCheckbox(const std::string& title, Checkbox::Action action) override {
        return arena_.own(std::make_unique<GtkCheckbox>(title, std::move(action)));
    }
    TextField& makeLabel(const std::string& text) override {
        return arena_.own(std::make_unique<GtkTextField>(GtkTextField::Kind::Label, text));
    }
    TextField& makeWrappingLabel(const std::string& text) override {
        return arena_.own(std::make_unique<GtkTextField>(GtkTextField::Kind::WrappingLabel, text));
    }
    TextField& makeTextField(Rect frame) override {
        auto& field = arena_.own(std::make_unique<GtkTextField>(GtkTextField::Kind::Field, ""));
        field.setFrame(frame);
        return field;
    }

    const Font& systemFontOfSize(double size) override {
        PangoFontDescription* font = pango_font_description_from_string("Sans");
        gchar* name = nullptr;
        g_object_get(gtk_settings_get_default(), "gtk-font-name", &name, nullptr);
        if (name) {
            pango_font_description_free(font);
            font = pango_font_description_from_string(name);
            g_free(name);
        }
        pango_font_description_set_size(font, static_cast<gint>(size * PANGO_SCALE));
        return arena_.own(std::make_unique<GtkFont>(font));
    }
    double smallSystemFontSize() override { return std::max(7.0, systemFontPoints() - 1.0); }
    const Font& monospacedSystemFontOfSize(double size, double) override {
        PangoFontDescription* font = pango_font_description_from_string("Monospace");
        pango_font_description_set_size(font, static_cast<gint>(size * PANGO_SCALE));
        return arena_.own(std::make_unique<GtkFont>(font));
    }
    const Color& secondaryLabelColor() override { return arena_.own(std::make_unique<GtkColor>("dim-label")); }

    const Image* imageWithContentsOfFile(const std::string& path) override {
        // Only a regular file whose header says it is a small image: a pipe
        // would block the read, a huge image the alert.
        if (!g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR) || !isUsableIconFile(path)) return nullptr;
        GdkTexture* texture = gdk_texture_new_from_filename(path.c_str(), nullptr);
        if (!texture) return nullptr;
        return &arena_.own(std::make_unique<GtkImage>(texture));
    }

    Menu& makeMenu(const std::string&) override { return arena_.own(std::make_unique<ListedMenu>(arena_)); }
    MenuItem& makeMenuItem(const std::string&, MenuAction action, const std::string& key) override {
        return arena_.own(std::make_unique<ListedMenuItem>(action, key));
    }
    MenuItem& separatorItem() override { return arena_.own(std::make_unique<ListedMenuItem>(MenuAction::None, "")); }

private:
    void windowShown() override {
        shown_ = true;
        if (deadline_) g_source_remove(deadline_);
        deadline_ = 0;
    }

    const ToolkitHost& host_;
    Arena arena_;
    guint deadline_ = 0;
    bool shown_ = false;
};

}  // namespace

}  // namespace ui::gtk

extern "C" __attribute__((visibility("default"))) ui::Application* setup_dialog_toolkit_v1(
    const ui::ToolkitHost& host) {
    static ui::ToolkitHost kept;
    kept = host;
    ui::gtk::theHost = &kept;
    if (!ui::gtk::startGtk(kept)) return nullptr;
    return new ui::gtk::GtkApplicationImpl(kept);
}
