#include "ui/tty/conversation.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "ui/alert/tab_order.h"
#include "ui/display_text.h"
#include "ui/tty/tty_controls.h"
#include "ui/tty/tty_text.h"

namespace ui::tty {

namespace {

// Texts are joined piece by piece: GCC 12 warns falsely (-Wrestrict) on
// "literal" + std::string&& once inlined at -O2.
std::string joined(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (std::string_view piece : pieces) text.append(piece);
    return text;
}

// Prose is wrapped no wider than this, however wide the terminal.
constexpr std::size_t kMaxTextWidth = 100;

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

class Conversation {
public:
    Conversation(Terminal& terminal, const alert::AlertModel& alert)
        : terminal_(terminal), alert_(alert), buttons_(alert.buttons) {}

    long run(const std::string& messageText, const std::string& informativeText,
             const ViewTreeNode* accessory) {
        if (accessory) readControls(*accessory);
        const std::size_t width = textWidth();
        std::string heading = "\n";
        for (const std::string& line : wrapText(terminalSafe(messageText, true), width)) {
            heading += line + "\n";
        }
        if (!informativeText.empty()) {
            for (const std::string& line : wrapText(terminalSafe(informativeText, true), width)) {
                heading += line + "\n";
            }
        }
        terminal_.write(heading + "\n");
        if (!body_.empty()) showBody();

        for (const auto& [field, caption] : fields_) {
            if (const auto ended = askField(*field, caption)) return *ended;
        }
        return askButton();
    }

private:
    struct Entry {
        TtyCheckbox* checkbox = nullptr;  // else a text
        const TtyTextField* text = nullptr;
    };

    // A line one column short of the terminal's, so that a full one does
    // not leave the cursor hanging past the edge.
    std::size_t textWidth() const {
        return std::clamp<std::size_t>(terminal_.columns() - 1, 1, kMaxTextWidth);
    }

    // What a line that ended this way answers: none while the question goes
    // on. A closed terminal is a closed window.
    std::optional<long> endedBy(Terminal::Ending ending) const {
        switch (ending) {
            case Terminal::Ending::Entered: return std::nullopt;
            case Terminal::Ending::Closed: return alert_.answerFor(alert::Ending::WindowClosed);
            case Terminal::Ending::Escape: return alert_.answerFor(alert::Ending::Escape);
        }
        return alert_.answerFor(alert::Ending::WindowClosed);
    }

    // The terminal reports Escape only where it answers.
    bool escapeAnswers() const { return alert_.answerFor(alert::Ending::Escape).has_value(); }

    void readControls(const ViewTreeNode& accessory) {
        const std::vector<PlacedNode> controls = inReadingOrder(accessory);
        // The fields are asked in the order Tab would take them.
        std::vector<alert::Focus> focus;
        for (const PlacedNode& control : controls) {
            auto* field = dynamic_cast<TtyTextField*>(control.node);
            focus.push_back(field && field->kind() == TtyTextField::Kind::Field ? alert::Focus::Field
                                                                                : alert::Focus::None);
        }
        std::vector<const TtyTextField*> captions;
        for (const alert::TabStop& stop : alert::tabOrder(focus, 0, false, kCapabilities)) {
            auto* field = static_cast<TtyTextField*>(controls[stop.index].node);
            const TtyTextField* caption = field->caption();
            if (caption) captions.push_back(caption);
            fields_.push_back({field, alert::fieldName(caption ? std::optional(caption->stringValue())
                                                               : std::nullopt,
                                                       field->placeholder())});
        }
        for (const PlacedNode& control : controls) {
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

    void showBody() {
        const std::size_t digits = std::to_string(checkboxes_.size()).size();
        // Texts line up with the checkbox titles: "  12. [x] ".
        std::string indent(checkboxes_.empty() ? 2 : 2 + digits + 2 + 4, ' ');
        // Too narrow a terminal for the indent wraps at its whole width.
        if (textWidth() < indent.size() + 10) indent.clear();
        const std::size_t width = textWidth() - indent.size();
        std::string shown;
        std::size_t number = 0;
        for (const Entry& entry : body_) {
            if (entry.checkbox) {
                const std::string n = std::to_string(++number);
                const long state = entry.checkbox->state();
                // A name keeps to its row: a line break in it is one mark.
                const std::string title = terminalSafe(withLineBreaksMarked(entry.checkbox->title())) +
                                          (entry.checkbox->isEnabled() ? "" : " (locked)");
                const std::string box = std::string(digits - n.size(), ' ') + n + ". " +
                                        (state == kControlStateValueOn    ? "[x] "
                                         : state == kControlStateValueOff ? "[ ] "
                                                                          : "[-] ");
                const std::vector<std::string> lines = wrapText(title, width);
                if (indent.empty()) {
                    // No room beside the box: the title goes under it, and
                    // the box itself wraps where even it is too wide.
                    for (const std::string& line : wrapText(box.substr(box.find_first_not_of(' ')), width)) {
                        shown += line + "\n";
                    }
                    for (const std::string& line : lines) shown += line + "\n";
                } else {
                    // The title's first line follows the box, the rest line up under it.
                    shown += "  " + box + lines[0] + "\n";
                    for (std::size_t i = 1; i < lines.size(); ++i) shown += indent + lines[i] + "\n";
                }
            } else {
                for (const std::string& line :
                     wrapText(terminalSafe(entry.text->stringValue(), true), width)) {
                    shown += indent + line + "\n";
                }
            }
        }
        if (!checkboxes_.empty()) {
            for (const std::string& line :
                 wrapText("Type a box's number to check or uncheck it.", textWidth())) {
                shown += line + "\n";
            }
        }
        terminal_.write(shown);
    }

    std::optional<long> askField(TtyTextField& field, const std::string& caption) {
        const std::string value = field.stringValue();
        std::string prompt = terminalSafe(caption);
        if (!value.empty()) {
            prompt += joined({" [", terminalSafe(value), "]"});
        } else if (!field.placeholder().empty() && field.placeholder() != caption) {
            prompt += joined({" (", terminalSafe(field.placeholder()), ")"});
        }
        const Terminal::Reply reply = terminal_.readLine(prompt + ": ", escapeAnswers());
        if (const auto ended = endedBy(reply.ending)) return ended;
        // Enter alone keeps what the field holds.
        if (!reply.line.empty()) field.setStringValue(reply.line);
        return std::nullopt;
    }

    std::string buttonPrompt() const {
        if (buttons_.empty()) return "Press Enter: ";
        std::string prompt = joined({"Press Enter for ", terminalSafe(buttons_[0])});
        for (std::size_t i = 1; i < buttons_.size(); ++i) {
            prompt += joined({i == 1 ? ", or type " : " or ", terminalSafe(buttons_[i])});
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
            const Terminal::Reply reply = terminal_.readLine(buttonPrompt(), escapeAnswers());
            if (const auto ended = endedBy(reply.ending)) return *ended;
            const std::string answer = trimmedSpaces(reply.line);
            // Enter alone is Return; with no button it is the one "Press
            // Enter" offers.
            if (answer.empty()) return alert_.answerFor(alert::Ending::Return).value_or(kAlertFirstButtonReturn);
            if (answer.size() <= 9 && answer.find_first_not_of("0123456789") == std::string::npos &&
                !checkboxes_.empty()) {
                toggle(std::stoul(answer));
                continue;
            }
            if (const auto button = buttonNamed(answer)) {
                return alert::resultOfButton(*button);
            }
            terminal_.write(joined({"\"", terminalSafe(answer), "\" is ",
                                    checkboxes_.empty() ? "not a button.\n"
                                                        : "neither a button nor a box's number.\n"}));
        }
    }

    void toggle(std::size_t number) {
        if (number == 0 || number > checkboxes_.size()) {
            terminal_.write(joined({"There is no box ", std::to_string(number), ".\n"}));
            return;
        }
        TtyCheckbox& checkbox = *checkboxes_[number - 1];
        if (!checkbox.isEnabled()) {
            terminal_.write(joined({"Box ", std::to_string(number), " is locked.\n"}));
            return;
        }
        checkbox.click();
        terminal_.write("\n");
        showBody();
    }

    Terminal& terminal_;
    const alert::AlertModel& alert_;
    const std::vector<std::string>& buttons_;
    std::vector<Entry> body_;
    std::vector<TtyCheckbox*> checkboxes_;
    std::vector<std::pair<TtyTextField*, std::string>> fields_;
};

}  // namespace

long converse(Terminal& terminal, const alert::AlertModel& alert, const ViewTreeNode* accessory) {
    return Conversation(terminal, alert).run(alert.messageText, alert.informativeText, accessory);
}

}  // namespace ui::tty
