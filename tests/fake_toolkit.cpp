#include "fake_toolkit.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace fake {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

namespace {

std::string number(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

const char* actionName(ui::MenuAction action) {
    switch (action) {
        case ui::MenuAction::Cut: return "cut:";
        case ui::MenuAction::Copy: return "copy:";
        case ui::MenuAction::Paste: return "paste:";
        case ui::MenuAction::SelectAll: return "selectAll:";
        case ui::MenuAction::None: break;
    }
    return "none";
}

std::string idOf(ui::View& view) { return nodeOf(view).id(); }

// Depth-first, in the order subviews were added.
template <class T>
void collect(ui::View& view, std::vector<T*>& found) {
    for (ui::ViewTreeNode* child : nodeOf(view).childNodes()) {
        if (auto* match = dynamic_cast<T*>(child)) found.push_back(match);
        collect(dynamic_cast<ui::View&>(*child), found);
    }
}

}  // namespace

std::string formatRect(ui::Rect rect) {
    return "(" + number(rect.x) + ", " + number(rect.y) + ", " + number(rect.width) + ", " +
           number(rect.height) + ")";
}

CapturedOutput::CapturedOutput() : file_(std::tmpfile()) {
    if (!file_) throw std::runtime_error("no temporary file for the output");
}

CapturedOutput::~CapturedOutput() { std::fclose(file_); }

std::string CapturedOutput::text() const {
    std::fflush(file_);
    std::string bytes;
    std::rewind(file_);
    for (int c; (c = std::fgetc(file_)) != EOF;) bytes.push_back(static_cast<char>(c));
    return bytes;
}

FakeNode& nodeOf(ui::View& view) {
    auto* node = dynamic_cast<FakeNode*>(&view);
    if (!node) throw std::logic_error("a view that is not the fake's");
    return *node;
}

FakeNode::FakeNode(FakeApplication& app, std::string id, ui::Rect frame)
    : app_(app), id_(std::move(id)) {
    setNodeFrame(frame);
    logging_ = true;
}

void FakeNode::frameChanged() {
    if (logging_) app_.log(id_ + ".setFrame" + formatRect(nodeFrame()));
}

void FakeNode::childAdded(ui::ViewTreeNode& child) {
    app_.log(id_ + ".addSubview(" + dynamic_cast<FakeNode&>(child).id() + ")");
}

FakeCheckbox::FakeCheckbox(FakeApplication& app, std::string id, std::string title, Action action)
    : FakeViewOf<ui::Checkbox>(app, std::move(id), {}), title_(std::move(title)),
      action_(std::move(action)) {}

void FakeCheckbox::setState(long state) {
    state_ = state;
    app_.log(id_ + ".setState(" + std::to_string(state) + ")");
}

void FakeCheckbox::setEnabled(bool enabled) {
    enabled_ = enabled;
    app_.log(id_ + ".setEnabled(" + (enabled ? "true" : "false") + ")");
}

void FakeCheckbox::setAccessibilityHelp(const std::string& help) {
    help_ = help;
    app_.log(id_ + ".setAccessibilityHelp(" + quoted(help) + ")");
}

void FakeCheckbox::click() {
    app_.log(id_ + ".click()");
    if (!enabled_) return;
    state_ = state_ == ui::kControlStateValueOn ? ui::kControlStateValueOff : ui::kControlStateValueOn;
    if (action_) action_(*this);
}

FakeTextField::FakeTextField(FakeApplication& app, std::string id, Kind kind, std::string text,
                             ui::Rect frame)
    : FakeViewOf<ui::TextField>(app, std::move(id), frame), kind_(kind), text_(std::move(text)) {}

void FakeTextField::setFont(const ui::Font& font) {
    font_ = &dynamic_cast<const FakeFont&>(font);
    app_.log(id_ + ".setFont(" + font_->description + ")");
}

void FakeTextField::setTextColor(const ui::Color& color) {
    color_ = &dynamic_cast<const FakeColor&>(color);
    app_.log(id_ + ".setTextColor(" + color_->name + ")");
}

void FakeTextField::setPlaceholderString(const std::string& placeholder) {
    placeholder_ = placeholder;
    app_.log(id_ + ".setPlaceholderString(" + quoted(placeholder) + ")");
}

void FakeTextField::setStringValue(const std::string& value) {
    text_ = value;
    app_.log(id_ + ".setStringValue(" + quoted(value) + ")");
}

ui::Size FakeTextField::sizeThatFits(ui::Size bounds) const {
    app_.log(id_ + ".sizeThatFits(" + number(bounds.width) + ", " + number(bounds.height) + ")");
    return {bounds.width, app_.measure(text_, bounds.width)};
}

void FakeWindow::setLevel(int value) {
    level = value;
    alert_.app().log(alert_.id() + ".window.setLevel(" + std::to_string(value) + ")");
}

void FakeWindow::makeFirstResponder(ui::View& view) {
    firstResponder = &view;
    alert_.app().log(alert_.id() + ".window.makeFirstResponder(" + idOf(view) + ")");
}

void FakeAlert::setMessageText(const std::string& text) {
    messageText = text;
    app_.log(id_ + ".setMessageText(" + quoted(text) + ")");
}

void FakeAlert::setInformativeText(const std::string& text) {
    informativeText = text;
    app_.log(id_ + ".setInformativeText(" + quoted(text) + ")");
}

void FakeAlert::setAlertStyle(int value) {
    style = value;
    app_.log(id_ + ".setAlertStyle(" + std::to_string(value) + ")");
}

void FakeAlert::setIcon(const ui::Image& image) {
    icon = &dynamic_cast<const FakeImage&>(image);
    app_.log(id_ + ".setIcon(" + icon->path + ")");
}

void FakeAlert::addButtonWithTitle(const std::string& title) {
    buttons.push_back(title);
    app_.log(id_ + ".addButtonWithTitle(" + quoted(title) + ")");
}

void FakeAlert::setAccessoryView(ui::View& view) {
    accessoryView = &view;
    app_.log(id_ + ".setAccessoryView(" + idOf(view) + ")");
}

void FakeAlert::layout() { app_.log(id_ + ".layout()"); }

ui::Window& FakeAlert::window() { return window_; }

long FakeAlert::runModal() {
    app_.log(id_ + ".runModal()");
    const long result = app_.onRunModal ? app_.onRunModal(*this) : ui::kAlertFirstButtonReturn;
    app_.log(id_ + ".runModal() -> " + std::to_string(result));
    return result;
}

std::vector<FakeCheckbox*> FakeAlert::checkboxes() const {
    std::vector<FakeCheckbox*> found;
    if (accessoryView) collect(*accessoryView, found);
    return found;
}

std::vector<FakeTextField*> FakeAlert::textFields() const {
    std::vector<FakeTextField*> found;
    if (accessoryView) collect(*accessoryView, found);
    return found;
}

FakeCheckbox& FakeAlert::checkbox(const std::string& title) const {
    for (FakeCheckbox* box : checkboxes()) {
        if (box->title() == title) return *box;
    }
    throw std::out_of_range("no checkbox titled " + title);
}

ui::MenuItem& FakeMenu::addItemWithTitle(const std::string& itemTitle, ui::MenuAction action,
                                         const std::string& keyEquivalent) {
    auto& item = static_cast<FakeMenuItem&>(app_.makeMenuItem(itemTitle, action, keyEquivalent));
    // Made by the menu itself: logged as the menu's call, not the app's.
    app_.calls.back() = id_ + ".addItemWithTitle(" + quoted(itemTitle) + ", " +
                        actionName(action) + ", " + quoted(keyEquivalent) + ") -> " + item.id();
    items.push_back(&item);
    return item;
}

void FakeMenu::addItem(ui::MenuItem& item) {
    auto& fakeItem = static_cast<FakeMenuItem&>(item);
    items.push_back(&fakeItem);
    app_.log(id_ + ".addItem(" + fakeItem.id() + ")");
}

void FakeMenuItem::setTarget(std::nullptr_t) {
    targetSet = true;
    app_.log(id_ + ".setTarget(none)");
}

void FakeMenuItem::setKeyEquivalentModifierMask(unsigned long mask) {
    modifierMask = mask;
    modifierMaskSet = true;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%lx", mask);
    app_.log(id_ + ".setKeyEquivalentModifierMask(" + buffer + ")");
}

void FakeMenuItem::setAlternate(bool value) {
    alternate = value;
    app_.log(id_ + ".setAlternate(" + (value ? "true" : "false") + ")");
}

void FakeMenuItem::setSubmenu(ui::Menu& menu) {
    submenu = &static_cast<FakeMenu&>(menu);
    app_.log(id_ + ".setSubmenu(" + submenu->id() + ")");
}

FakeApplication::FakeApplication()
    : measure([](const std::string&, double) { return 16.0; }) {}

FakeApplication::~FakeApplication() = default;

std::vector<std::string> FakeApplication::callsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.rfind(prefix, 0) == 0) found.push_back(call);
    }
    return found;
}

std::string FakeApplication::nextId(const std::string& kind) {
    return kind + std::to_string(++counters_[kind]);
}

template <class T>
T& FakeApplication::keep(std::unique_ptr<T> object) {
    T& ref = *object;
    owned_.push_back(std::shared_ptr<T>(std::move(object)));
    return ref;
}

void FakeApplication::setActivationPolicy(int policy) {
    activationPolicy = policy;
    log("app.setActivationPolicy(" + std::to_string(policy) + ")");
}

void FakeApplication::setMainMenu(ui::Menu& menu) {
    mainMenu = &static_cast<FakeMenu&>(menu);
    log("app.setMainMenu(" + mainMenu->id() + ")");
}

void FakeApplication::activateIgnoringOtherApps(bool ignoring) {
    log(std::string("app.activateIgnoringOtherApps(") + (ignoring ? "true" : "false") + ")");
}

bool FakeApplication::canShowWindows() {
    ++displayProbes;
    return displayAvailable;
}

ui::NoDisplayReason FakeApplication::whyNoWindows() { return noDisplayReason; }

ui::Alert& FakeApplication::makeAlert() {
    alerts.push_back(std::make_unique<FakeAlert>(*this, nextId("alert")));
    log("makeAlert() -> " + alerts.back()->id());
    return *alerts.back();
}

ui::View& FakeApplication::makeView(ui::Rect frame) {
    auto& view = keep(std::make_unique<FakeView>(*this, nextId("view"), frame));
    log("makeView" + formatRect(frame) + " -> " + view.id());
    return view;
}

ui::Checkbox& FakeApplication::makeCheckbox(const std::string& title, ui::Checkbox::Action action) {
    const bool hasAction = static_cast<bool>(action);
    auto& box = keep(std::make_unique<FakeCheckbox>(*this, nextId("checkbox"), title, std::move(action)));
    log("makeCheckbox(" + quoted(title) + (hasAction ? ", action" : ", none") + ") -> " + box.id());
    return box;
}

ui::TextField& FakeApplication::makeLabel(const std::string& text) {
    auto& label = keep(std::make_unique<FakeTextField>(*this, nextId("label"),
                                                       FakeTextField::Kind::Label, text, ui::Rect{}));
    log("makeLabel(" + quoted(text) + ") -> " + label.id());
    return label;
}

ui::TextField& FakeApplication::makeWrappingLabel(const std::string& text) {
    auto& label = keep(std::make_unique<FakeTextField>(
        *this, nextId("label"), FakeTextField::Kind::WrappingLabel, text, ui::Rect{}));
    log("makeWrappingLabel(" + quoted(text) + ") -> " + label.id());
    return label;
}

ui::TextField& FakeApplication::makeTextField(ui::Rect frame) {
    auto& field = keep(std::make_unique<FakeTextField>(*this, nextId("field"),
                                                       FakeTextField::Kind::Field, "", frame));
    log("makeTextField" + formatRect(frame) + " -> " + field.id());
    return field;
}

const ui::Font& FakeApplication::systemFontOfSize(double size) {
    auto font = std::make_unique<FakeFont>();
    font->description = "system " + number(size);
    return keep(std::move(font));
}

double FakeApplication::smallSystemFontSize() { return 11; }

const ui::Font& FakeApplication::monospacedSystemFontOfSize(double size, double weight) {
    auto font = std::make_unique<FakeFont>();
    font->description =
        "monospaced " + number(size) + (weight == ui::kFontWeightRegular ? " regular" : " weight " + number(weight));
    return keep(std::move(font));
}

const ui::Color& FakeApplication::secondaryLabelColor() {
    auto color = std::make_unique<FakeColor>();
    color->name = "secondaryLabelColor";
    return keep(std::move(color));
}

const ui::Image* FakeApplication::imageWithContentsOfFile(const std::string& path) {
    log("imageWithContentsOfFile(" + quoted(path) + ")");
    if (std::find(imageFiles.begin(), imageFiles.end(), path) == imageFiles.end()) return nullptr;
    auto image = std::make_unique<FakeImage>();
    image->path = path;
    return &keep(std::move(image));
}

ui::Menu& FakeApplication::makeMenu(const std::string& title) {
    auto& menu = keep(std::make_unique<FakeMenu>(*this, nextId("menu"), title));
    log("makeMenu(" + quoted(title) + ") -> " + menu.id());
    return menu;
}

ui::MenuItem& FakeApplication::makeMenuItem(const std::string& title, ui::MenuAction action,
                                            const std::string& keyEquivalent) {
    auto& item = keep(std::make_unique<FakeMenuItem>(*this, nextId("item"), title, action,
                                                     keyEquivalent, false));
    log("makeMenuItem(" + quoted(title) + ", " + actionName(action) + ", " +
        quoted(keyEquivalent) + ") -> " + item.id());
    return item;
}

ui::MenuItem& FakeApplication::separatorItem() {
    auto& item = keep(std::make_unique<FakeMenuItem>(*this, nextId("item"), "", ui::MenuAction::None,
                                                     "", true));
    log("separatorItem() -> " + item.id());
    return item;
}

std::size_t FakeApplication::openScope() {
    scopes.push_back("open " + std::to_string(owned_.size()));
    return owned_.size();
}

void FakeApplication::closeScope(std::size_t scope) {
    scopes.push_back("close " + std::to_string(scope));
}

void FakeTextField::setAccessibilityTitleUIElement(ui::TextField& caption) {
    caption_ = &dynamic_cast<FakeTextField&>(caption);
    app_.log(id_ + ".setAccessibilityTitleUIElement(" + caption_->id() + ")");
}

}  // namespace fake
