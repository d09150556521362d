// A recording toolkit for tests. Every call is logged in order, as
// "object.method(arguments)", and a test plays the user inside runModal:
// clicking checkboxes (which fires their action as a real click does), typing
// into fields and choosing the run result.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/toolkit.h"
#include "ui/view_tree.h"

namespace fake {

class FakeApplication;

struct FakeFont : ui::Font {
    std::string description;
};
struct FakeColor : ui::Color {
    std::string name;
};
struct FakeImage : ui::Image {
    std::string path;
};

// What every fake view has: an id for the log, a frame, its subviews.
class FakeNode : public ui::ViewTreeNode {
public:
    FakeNode(FakeApplication& app, std::string id, ui::Rect frame);
    const std::string& id() const { return id_; }
    ui::Rect frame() const { return nodeFrame(); }

protected:
    void frameChanged() override;
    void childAdded(ui::ViewTreeNode& child) override;

    FakeApplication& app_;
    std::string id_;
    bool logging_ = false;  // the frame given at creation is not a call
};

template <class Interface>
using FakeViewOf = ui::ViewOf<Interface, FakeNode>;

using FakeView = FakeViewOf<ui::View>;

FakeNode& nodeOf(ui::View& view);

class FakeCheckbox final : public FakeViewOf<ui::Checkbox> {
public:
    FakeCheckbox(FakeApplication& app, std::string id, std::string title, Action action);
    std::string title() const override { return title_; }
    void setState(long state) override;
    long state() const override { return state_; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return enabled_; }
    void setAccessibilityHelp(const std::string& help) override;
    const std::string& accessibilityHelp() const { return help_; }
    bool hasAction() const { return static_cast<bool>(action_); }

    // The user clicks: a disabled checkbox ignores it; otherwise the state
    // flips (mixed goes to on) and the action fires.
    void click();

private:
    std::string title_;
    Action action_;
    long state_ = ui::kControlStateValueOff;
    bool enabled_ = true;
    std::string help_;
};

class FakeTextField final : public FakeViewOf<ui::TextField> {
public:
    enum class Kind { Label, WrappingLabel, Field };
    FakeTextField(FakeApplication& app, std::string id, Kind kind, std::string text, ui::Rect frame);
    Kind kind() const { return kind_; }
    void setFont(const ui::Font& font) override;
    void setTextColor(const ui::Color& color) override;
    void setPlaceholderString(const std::string& placeholder) override;
    void setStringValue(const std::string& value) override;
    std::string stringValue() const override { return text_; }
    ui::Size sizeThatFits(ui::Size bounds) const override;
    void setAccessibilityTitleUIElement(ui::TextField& caption) override;
    const FakeTextField* caption() const { return caption_; }

    const std::string& placeholder() const { return placeholder_; }
    const FakeFont* font() const { return font_; }
    const FakeColor* textColor() const { return color_; }

    // The user types: replaces the text without logging a call.
    void type(const std::string& text) { text_ = text; }

private:
    Kind kind_;
    std::string text_;
    std::string placeholder_;
    const FakeFont* font_ = nullptr;
    const FakeColor* color_ = nullptr;
    const FakeTextField* caption_ = nullptr;
};

class FakeAlert;

class FakeWindow final : public ui::Window {
public:
    explicit FakeWindow(FakeAlert& alert) : alert_(alert) {}
    void setLevel(int level) override;
    void makeFirstResponder(ui::View& view) override;
    int level = 0;
    ui::View* firstResponder = nullptr;

private:
    FakeAlert& alert_;
};

class FakeAlert final : public ui::Alert {
public:
    FakeAlert(FakeApplication& app, std::string id) : app_(app), id_(std::move(id)), window_(*this) {}
    const std::string& id() const { return id_; }
    FakeApplication& app() { return app_; }
    void setMessageText(const std::string& text) override;
    void setInformativeText(const std::string& text) override;
    void setAlertStyle(int style) override;
    void setIcon(const ui::Image& icon) override;
    void addButtonWithTitle(const std::string& title) override;
    void setAccessoryView(ui::View& view) override;
    void layout() override;
    ui::Window& window() override;
    long runModal() override;

    std::string messageText;
    std::string informativeText;
    int style = -1;
    const FakeImage* icon = nullptr;
    std::vector<std::string> buttons;
    ui::View* accessoryView = nullptr;
    FakeWindow& fakeWindow() { return window_; }

    // Every checkbox and text field in the accessory view, top to bottom as
    // they were added.
    std::vector<FakeCheckbox*> checkboxes() const;
    std::vector<FakeTextField*> textFields() const;
    FakeCheckbox& checkbox(const std::string& title) const;

private:
    FakeApplication& app_;
    std::string id_;
    FakeWindow window_;
};

class FakeMenuItem;

class FakeMenu final : public ui::Menu {
public:
    FakeMenu(FakeApplication& app, std::string id, std::string title)
        : app_(app), id_(std::move(id)), title(std::move(title)) {}
    const std::string& id() const { return id_; }
    ui::MenuItem& addItemWithTitle(const std::string& itemTitle, ui::MenuAction action,
                                   const std::string& keyEquivalent) override;
    void addItem(ui::MenuItem& item) override;

private:
    FakeApplication& app_;
    std::string id_;

public:
    std::string title;
    std::vector<FakeMenuItem*> items;
};

class FakeMenuItem final : public ui::MenuItem {
public:
    FakeMenuItem(FakeApplication& app, std::string id, std::string title, ui::MenuAction action,
                 std::string key, bool separator)
        : app_(app), id_(std::move(id)), title(std::move(title)), action(action),
          keyEquivalent(std::move(key)), isSeparator(separator) {}
    const std::string& id() const { return id_; }
    void setTarget(std::nullptr_t) override;
    void setKeyEquivalentModifierMask(unsigned long mask) override;
    void setAlternate(bool alternate) override;
    void setSubmenu(ui::Menu& menu) override;

private:
    FakeApplication& app_;
    std::string id_;

public:
    std::string title;
    ui::MenuAction action;
    std::string keyEquivalent;
    bool isSeparator;
    bool targetSet = false;
    unsigned long modifierMask = 0;
    bool modifierMaskSet = false;
    bool alternate = false;
    FakeMenu* submenu = nullptr;
};

class FakeApplication final : public ui::Application {
public:
    FakeApplication();
    ~FakeApplication() override;

    // --- what the test sets up ---
    // Plays the user while an alert runs; returns the run result. By default
    // the first button is pressed.
    std::function<long(FakeAlert&)> onRunModal;
    bool displayAvailable = true;
    // What the backend tells of a missing display.
    ui::NoDisplayReason noDisplayReason;
    // Paths that hold a readable image.
    std::vector<std::string> imageFiles;
    // The height a wrapping label needs for a text at a width.
    std::function<double(const std::string& text, double width)> measure;

    // --- what the test reads ---
    std::vector<std::string> calls;
    // How often the display was asked about.
    int displayProbes = 0;
    std::vector<std::unique_ptr<FakeAlert>> alerts;
    FakeMenu* mainMenu = nullptr;
    int activationPolicy = -1;
    // "open N" and "close N" in order, N counting the objects made so far.
    std::vector<std::string> scopes;
    // Calls whose text starts with the prefix, in order.
    std::vector<std::string> callsStartingWith(const std::string& prefix) const;

    void log(std::string call) { calls.push_back(std::move(call)); }

    // ui::Application
    void setActivationPolicy(int policy) override;
    void setMainMenu(ui::Menu& menu) override;
    void activateIgnoringOtherApps(bool ignoring) override;
    bool canShowWindows() override;
    ui::NoDisplayReason whyNoWindows() override;
    // Scopes are recorded, not released: tests read every object afterwards.
    std::size_t openScope() override;
    void closeScope(std::size_t scope) override;
    ui::Alert& makeAlert() override;
    ui::View& makeView(ui::Rect frame) override;
    ui::Checkbox& makeCheckbox(const std::string& title, ui::Checkbox::Action action) override;
    ui::TextField& makeLabel(const std::string& text) override;
    ui::TextField& makeWrappingLabel(const std::string& text) override;
    ui::TextField& makeTextField(ui::Rect frame) override;
    const ui::Font& systemFontOfSize(double size) override;
    double smallSystemFontSize() override;
    const ui::Font& monospacedSystemFontOfSize(double size, double weight) override;
    const ui::Color& secondaryLabelColor() override;
    const ui::Image* imageWithContentsOfFile(const std::string& path) override;
    ui::Menu& makeMenu(const std::string& title) override;
    ui::MenuItem& makeMenuItem(const std::string& title, ui::MenuAction action,
                               const std::string& keyEquivalent) override;
    ui::MenuItem& separatorItem() override;

private:
    std::string nextId(const std::string& kind);
    template <class T>
    T& keep(std::unique_ptr<T> object);

    std::map<std::string, int> counters_;
    std::vector<std::shared_ptr<void>> owned_;
};

// A temporary file standing in for standard output.
class CapturedOutput {
public:
    CapturedOutput();
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;
    std::FILE* file() const { return file_; }
    // Everything written so far.
    std::string text() const;

private:
    std::FILE* file_;
};

// Formatting shared by the log and by tests that build expected lines.
std::string quoted(const std::string& text);
std::string formatRect(ui::Rect rect);

}  // namespace fake
