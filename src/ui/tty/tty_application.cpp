#include "ui/tty/tty_application.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/alert/alert_model.h"
#include "ui/arena.h"
#include "ui/menu_list.h"
#include "ui/tty/conversation.h"
#include "ui/tty/terminal.h"
#include "ui/tty/tty_controls.h"

namespace ui::tty {

namespace {

// Fonts and colours do not exist on a terminal; the objects only stand in.
class TtyFont final : public Font, public Owned {};
class TtyColor final : public Color, public Owned {};

// The alert is its own window: the terminal is the only one there is.
class TtyAlert final : public Alert, public Window, public Owned {
public:
    explicit TtyAlert(Terminal& terminal) : terminal_(terminal) {}

    void setMessageText(const std::string& text) override { model_.messageText = text; }
    void setInformativeText(const std::string& text) override { model_.informativeText = text; }
    void setAlertStyle(int style) override { model_.style = style; }
    void setIcon(const Image&) override {}
    void addButtonWithTitle(const std::string& title) override { model_.buttons.push_back(title); }
    void setAccessoryView(View& view) override { accessory_ = &nodeOf<TtyNode>(view); }
    // The controls are read in their places when the alert runs.
    void layout() override {}
    Window& window() override { return *this; }
    long runModal() override {
        return converse(terminal_, model_, accessory_);
    }

    void setLevel(int) override {}
    // Fields are asked top to bottom; the first is the one a dialog focuses.
    void makeFirstResponder(View&) override {}

private:
    Terminal& terminal_;
    alert::AlertModel model_;
    const TtyNode* accessory_ = nullptr;
};

class TtyApplication final : public Application {
public:
    TtyApplication(int fd, LostTerminal lost) : terminal_(fd, std::move(lost)) {}

    void setActivationPolicy(int) override {}
    void setMainMenu(Menu&) override {}
    void activateIgnoringOtherApps(bool) override {}
    bool canShowWindows() override { return true; }

    std::size_t openScope() override { return arena_.mark(); }
    void closeScope(std::size_t scope) override { arena_.releaseTo(scope); }

    Alert& makeAlert() override { return arena_.own(std::make_unique<TtyAlert>(terminal_)); }
    View& makeView(Rect frame) override { return arena_.own(std::make_unique<TtyPlainView>(frame)); }

    Checkbox& makeCheckbox(const std::string& title, Checkbox::Action action) override {
        return arena_.own(std::make_unique<TtyCheckbox>(title, std::move(action)));
    }

    TextField& makeLabel(const std::string& text) override {
        return arena_.own(std::make_unique<TtyTextField>(TtyTextField::Kind::Label, text));
    }

    TextField& makeWrappingLabel(const std::string& text) override {
        return arena_.own(std::make_unique<TtyTextField>(TtyTextField::Kind::WrappingLabel, text));
    }

    TextField& makeTextField(Rect frame) override {
        auto& field = arena_.own(std::make_unique<TtyTextField>(TtyTextField::Kind::Field, ""));
        field.setFrame(frame);
        return field;
    }

    const Font& systemFontOfSize(double) override { return arena_.own(std::make_unique<TtyFont>()); }
    double smallSystemFontSize() override { return 11; }
    const Font& monospacedSystemFontOfSize(double, double) override {
        return arena_.own(std::make_unique<TtyFont>());
    }
    const Color& secondaryLabelColor() override { return arena_.own(std::make_unique<TtyColor>()); }
    // A terminal shows no picture, so the file is not even read.
    const Image* imageWithContentsOfFile(const std::string&) override { return nullptr; }

    // The Edit menu's keys are the terminal's own line editing here; the
    // tree is kept only because the interface hands it over.
    Menu& makeMenu(const std::string&) override { return arena_.own(std::make_unique<ListedMenu>(arena_)); }
    MenuItem& makeMenuItem(const std::string&, MenuAction action, const std::string& key) override {
        return arena_.own(std::make_unique<ListedMenuItem>(action, key));
    }
    MenuItem& separatorItem() override {
        return arena_.own(std::make_unique<ListedMenuItem>(MenuAction::None, ""));
    }

private:
    Terminal terminal_;
    Arena arena_;
};

}  // namespace

std::unique_ptr<Application> makeApplication(int terminalFd, LostTerminal lost) {
    return std::make_unique<TtyApplication>(terminalFd, std::move(lost));
}

}  // namespace ui::tty
