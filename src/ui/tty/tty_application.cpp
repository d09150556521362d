#include "ui/tty/tty_application.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/arena.h"
#include "ui/tty/terminal.h"
#include "ui/tty/tty_text.h"

namespace ui::tty {

namespace {

// The backend's own measure of text in points, so that the dialogs' layout
// arithmetic gives sensible frames: a character cell of a small font.
constexpr double kCharacterWidth = 7;
constexpr double kLineHeight = 16;
// A caption's top edge is level with its field's, give or take this much.
constexpr double kCaptionSlack = 8;
// Prose is wrapped no wider than this, however wide the terminal.
constexpr std::size_t kMaxTextWidth = 100;

// Fonts and colours do not exist on a terminal; the objects only stand in.
class TtyFont final : public Font, public Owned {};
class TtyColor final : public Color, public Owned {};

class TtyNode : public Owned {
public:
    Rect nodeFrame() const { return frame_; }
    void setNodeFrame(Rect frame) { frame_ = frame; }
    const std::vector<TtyNode*>& children() const { return children_; }

    void addChild(TtyNode& child) {
        if (child.parent_) {
            auto& siblings = child.parent_->children_;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), &child), siblings.end());
        }
        child.parent_ = this;
        children_.push_back(&child);
    }

private:
    Rect frame_;
    TtyNode* parent_ = nullptr;
    std::vector<TtyNode*> children_;
};

TtyNode& nodeOf(View& view) {
    auto* node = dynamic_cast<TtyNode*>(&view);
    if (!node) std::abort();  // a view from another toolkit: a programming error
    return *node;
}

template <class Interface>
class TtyViewOf : public Interface, public TtyNode {
public:
    void setFrame(Rect frame) override { setNodeFrame(frame); }
    Rect frame() const override { return nodeFrame(); }
    void addSubview(View& subview) override { addChild(nodeOf(subview)); }
};

class TtyPlainView final : public TtyViewOf<View> {
public:
    explicit TtyPlainView(Rect frame) { setFrame(frame); }
};

class TtyCheckbox final : public TtyViewOf<Checkbox> {
public:
    TtyCheckbox(std::string title, Action action)
        : title_(std::move(title)), action_(std::move(action)) {}

    std::string title() const override { return title_; }
    void setState(long state) override { state_ = state; }
    long state() const override { return state_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isEnabled() const override { return enabled_; }

    // What a click does: the box flips (a mixed one turns on), then its
    // action is sent.
    void click() {
        state_ = state_ == kControlStateValueOn ? kControlStateValueOff : kControlStateValueOn;
        if (action_) action_(*this);
    }

private:
    std::string title_;
    Action action_;
    long state_ = kControlStateValueOff;
    bool enabled_ = true;
};

class TtyTextField final : public TtyViewOf<TextField> {
public:
    enum class Kind { Label, WrappingLabel, Field };

    TtyTextField(Kind kind, std::string value) : kind_(kind), value_(std::move(value)) {}

    void setFont(const Font&) override {}
    void setTextColor(const Color&) override {}
    void setPlaceholderString(const std::string& placeholder) override { placeholder_ = placeholder; }
    void setStringValue(const std::string& value) override { value_ = value; }
    std::string stringValue() const override { return value_; }

    Size sizeThatFits(Size bounds) const override {
        const double natural = kCharacterWidth * static_cast<double>(columnsOf(value_));
        if (kind_ != Kind::WrappingLabel) return {natural, kLineHeight};
        const double perLine = std::clamp(bounds.width / kCharacterWidth, 1.0, 1e6);
        const auto lines = wrapText(value_, static_cast<std::size_t>(perLine)).size();
        return {std::min(bounds.width, natural),
                std::min(bounds.height, kLineHeight * static_cast<double>(lines))};
    }

    Kind kind() const { return kind_; }
    const std::string& placeholder() const { return placeholder_; }

private:
    Kind kind_;
    std::string value_;
    std::string placeholder_;
};

// The Edit menu's keys are the terminal's own line editing here; the tree is
// kept only because the interface hands it over.
class TtyMenuItem final : public MenuItem, public Owned {
public:
    void setTarget(std::nullptr_t) override {}
    void setKeyEquivalentModifierMask(unsigned long) override {}
    void setAlternate(bool) override {}
    void setSubmenu(Menu&) override {}
};

class TtyMenu final : public Menu, public Owned {
public:
    explicit TtyMenu(Arena& arena) : arena_(arena) {}
    MenuItem& addItemWithTitle(const std::string&, MenuAction, const std::string&) override {
        return arena_.own(std::make_unique<TtyMenuItem>());
    }
    void addItem(MenuItem&) override {}

private:
    Arena& arena_;
};

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string trimmedSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A control of the accessory view, with its frame in the accessory's
// coordinates.
struct Placed {
    TtyNode* node;
    Rect frame;
};

void collectControls(const TtyNode& parent, double x, double y, std::vector<Placed>& controls) {
    for (TtyNode* child : parent.children()) {
        Rect frame = child->nodeFrame();
        frame.x += x;
        frame.y += y;
        controls.push_back({child, frame});
        collectControls(*child, frame.x, frame.y, controls);
    }
}

// One alert asked on the terminal: the heading, the text, the accessory
// view's controls top to bottom, then the buttons.
class Conversation {
public:
    Conversation(Terminal& terminal, const std::vector<std::string>& buttons)
        : terminal_(terminal), buttons_(buttons) {}

    long run(const std::string& messageText, const std::string& informativeText,
             const TtyNode* accessory) {
        if (accessory) readControls(*accessory);
        const std::size_t width = textWidth();
        // Appended, not "literal" + std::string&&: GCC 12 warns falsely
        // (-Wrestrict) on that sum once inlined at -O2.
        std::string heading = "\n";
        heading += terminalSafe(messageText, true);
        heading += "\n";
        if (!informativeText.empty()) {
            for (const std::string& line : wrapText(terminalSafe(informativeText, true), width)) {
                heading += line + "\n";
            }
        }
        terminal_.write(heading + "\n");
        if (!body_.empty()) showBody();

        for (const auto& [field, caption] : fields_) {
            if (!askField(*field, caption)) return kModalResponseCancel;
        }
        return askButton();
    }

private:
    struct Entry {
        TtyCheckbox* checkbox = nullptr;  // else a text
        const TtyTextField* text = nullptr;
    };

    std::size_t textWidth() const {
        return std::clamp<std::size_t>(terminal_.columns() - 1, 20, kMaxTextWidth);
    }

    void readControls(const TtyNode& accessory) {
        std::vector<Placed> controls;
        collectControls(accessory, 0, 0, controls);
        // Reading order: top to bottom, then left to right.
        std::stable_sort(controls.begin(), controls.end(), [](const Placed& a, const Placed& b) {
            const double topA = a.frame.y + a.frame.height, topB = b.frame.y + b.frame.height;
            return topA != topB ? topA > topB : a.frame.x < b.frame.x;
        });

        std::vector<const TtyNode*> captions;
        for (const Placed& control : controls) {
            auto* field = dynamic_cast<TtyTextField*>(control.node);
            if (!field || field->kind() != TtyTextField::Kind::Field) continue;
            const TtyTextField* caption = captionOf(control, controls);
            if (caption) captions.push_back(caption);
            fields_.push_back({field, caption ? caption->stringValue() : field->placeholder()});
        }
        for (const Placed& control : controls) {
            if (auto* checkbox = dynamic_cast<TtyCheckbox*>(control.node)) {
                checkboxes_.push_back(checkbox);
                body_.push_back({checkbox, nullptr});
            } else if (auto* text = dynamic_cast<const TtyTextField*>(control.node);
                       text && text->kind() != TtyTextField::Kind::Field &&
                       std::find(captions.begin(), captions.end(), text) == captions.end()) {
                body_.push_back({nullptr, text});
            }
        }
    }

    // The label that names a field: left of it, its top level with the
    // field's, the nearest such.
    static const TtyTextField* captionOf(const Placed& field, const std::vector<Placed>& controls) {
        const TtyTextField* best = nullptr;
        double bestRight = 0;
        const double fieldTop = field.frame.y + field.frame.height;
        for (const Placed& control : controls) {
            const auto* label = dynamic_cast<const TtyTextField*>(control.node);
            if (!label || label->kind() == TtyTextField::Kind::Field) continue;
            const double right = control.frame.x + control.frame.width;
            const double top = control.frame.y + control.frame.height;
            if (right <= field.frame.x && std::abs(top - fieldTop) <= kCaptionSlack &&
                (!best || right > bestRight)) {
                best = label;
                bestRight = right;
            }
        }
        return best;
    }

    void showBody() {
        const std::size_t digits = std::to_string(checkboxes_.size()).size();
        // Texts line up with the checkbox titles: "  12. [x] ".
        const std::string indent(checkboxes_.empty() ? 2 : 2 + digits + 2 + 4, ' ');
        const std::size_t width = std::max<std::size_t>(textWidth() - indent.size(), 10);
        std::string shown;
        std::size_t number = 0;
        for (const Entry& entry : body_) {
            if (entry.checkbox) {
                const std::string n = std::to_string(++number);
                const long state = entry.checkbox->state();
                shown += "  " + std::string(digits - n.size(), ' ') + n + ". " +
                         (state == kControlStateValueOn    ? "[x] "
                          : state == kControlStateValueOff ? "[ ] "
                                                           : "[-] ") +
                         terminalSafe(entry.checkbox->title()) +
                         (entry.checkbox->isEnabled() ? "" : " (locked)") + "\n";
            } else {
                for (const std::string& line :
                     wrapText(terminalSafe(entry.text->stringValue(), true), width)) {
                    shown += indent + line + "\n";
                }
            }
        }
        if (!checkboxes_.empty()) shown += "Type a box's number to check or uncheck it.\n";
        terminal_.write(shown);
    }

    bool askField(TtyTextField& field, const std::string& caption) {
        const std::string value = field.stringValue();
        std::string prompt = terminalSafe(caption);
        if (!value.empty()) {
            prompt += " [" + terminalSafe(value) + "]";
        } else if (!field.placeholder().empty() && field.placeholder() != caption) {
            prompt += " (" + terminalSafe(field.placeholder()) + ")";
        }
        const auto line = terminal_.readLine(prompt + ": ");
        if (!line) return false;
        // Enter alone keeps what the field holds.
        if (!line->empty()) field.setStringValue(*line);
        return true;
    }

    std::string buttonPrompt() const {
        if (buttons_.empty()) return "Press Enter: ";
        std::string prompt = "Press Enter for " + terminalSafe(buttons_[0]);
        for (std::size_t i = 1; i < buttons_.size(); ++i) {
            prompt += (i == 1 ? ", or type " : " or ") + terminalSafe(buttons_[i]);
        }
        return prompt + ": ";
    }

    // The button a typed answer names: its title in any capitals, or the
    // start of exactly one title.
    std::optional<std::size_t> buttonNamed(const std::string& answer) const {
        std::optional<std::size_t> prefixed;
        int prefixes = 0;
        for (std::size_t i = 0; i < buttons_.size(); ++i) {
            if (equalIgnoringCase(answer, buttons_[i])) return i;
            if (answer.size() < buttons_[i].size() &&
                equalIgnoringCase(answer, std::string_view(buttons_[i]).substr(0, answer.size()))) {
                prefixed = i;
                ++prefixes;
            }
        }
        if (prefixes == 1) return prefixed;
        return std::nullopt;
    }

    long askButton() {
        for (;;) {
            const auto line = terminal_.readLine(buttonPrompt());
            if (!line) return kModalResponseCancel;
            const std::string answer = trimmedSpaces(*line);
            // Enter alone is Return: the first button.
            if (answer.empty()) return kAlertFirstButtonReturn;
            if (answer.size() <= 9 && answer.find_first_not_of("0123456789") == std::string::npos &&
                !checkboxes_.empty()) {
                toggle(std::stoul(answer));
                continue;
            }
            if (const auto button = buttonNamed(answer)) {
                return kAlertFirstButtonReturn + static_cast<long>(*button);
            }
            // Appended, as the heading is above.
            std::string refusal = "\"";
            refusal += terminalSafe(answer);
            refusal += "\" is ";
            refusal += checkboxes_.empty() ? "not a button.\n" : "neither a button nor a box's number.\n";
            terminal_.write(refusal);
        }
    }

    void toggle(std::size_t number) {
        if (number == 0 || number > checkboxes_.size()) {
            terminal_.write("There is no box " + std::to_string(number) + ".\n");
            return;
        }
        TtyCheckbox& checkbox = *checkboxes_[number - 1];
        if (!checkbox.isEnabled()) {
            terminal_.write("Box " + std::to_string(number) + " is locked.\n");
            return;
        }
        checkbox.click();
        terminal_.write("\n");
        showBody();
    }

    Terminal& terminal_;
    const std::vector<std::string>& buttons_;
    std::vector<Entry> body_;
    std::vector<TtyCheckbox*> checkboxes_;
    std::vector<std::pair<TtyTextField*, std::string>> fields_;
};

// The alert is its own window: the terminal is the only one there is.
class TtyAlert final : public Alert, public Window, public Owned {
public:
    explicit TtyAlert(Terminal& terminal) : terminal_(terminal) {}

    void setMessageText(const std::string& text) override { messageText_ = text; }
    void setInformativeText(const std::string& text) override { informativeText_ = text; }
    void setAlertStyle(int) override {}
    void setIcon(const Image&) override {}
    void addButtonWithTitle(const std::string& title) override { buttons_.push_back(title); }
    void setAccessoryView(View& view) override { accessory_ = &nodeOf(view); }
    // The controls are read in their places when the alert runs.
    void layout() override {}
    Window& window() override { return *this; }
    long runModal() override {
        return Conversation(terminal_, buttons_).run(messageText_, informativeText_, accessory_);
    }

    void setLevel(int) override {}
    // Fields are asked top to bottom; the first is the one a dialog focuses.
    void makeFirstResponder(View&) override {}

private:
    Terminal& terminal_;
    std::string messageText_;
    std::string informativeText_;
    std::vector<std::string> buttons_;
    const TtyNode* accessory_ = nullptr;
};

class TtyApplication final : public Application {
public:
    explicit TtyApplication(int fd) : terminal_(fd) {}

    void setActivationPolicy(int) override {}
    void setMainMenu(Menu&) override {}
    void activateIgnoringOtherApps(bool) override {}
    bool canShowWindows() override { return true; }

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
    const Font& monospacedSystemFontOfSize(double, FontWeight) override {
        return arena_.own(std::make_unique<TtyFont>());
    }
    const Color& secondaryLabelColor() override { return arena_.own(std::make_unique<TtyColor>()); }
    // A terminal shows no picture, so the file is not even read.
    const Image* imageWithContentsOfFile(const std::string&) override { return nullptr; }

    Menu& makeMenu(const std::string&) override { return arena_.own(std::make_unique<TtyMenu>(arena_)); }
    MenuItem& makeMenuItem(const std::string&, MenuAction, const std::string&) override {
        return arena_.own(std::make_unique<TtyMenuItem>());
    }
    MenuItem& separatorItem() override { return arena_.own(std::make_unique<TtyMenuItem>()); }

private:
    Terminal terminal_;
    Arena arena_;
};

}  // namespace

std::unique_ptr<Application> makeApplication(int terminalFd) {
    return std::make_unique<TtyApplication>(terminalFd);
}

}  // namespace ui::tty
