// The alert as every backend shows it: its texts, style, icon and buttons,
// and what the keys and the window's close box answer. A backend keeps one
// of these and draws it; it never decides an answer on its own.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ui/toolkit.h"

namespace ui::alert {

// What a button is to the keyboard.
enum class ButtonRole {
    // The first button added: Return presses it, and it stands where the
    // platform puts the default (rightmost on the desktops we serve).
    Default,
    // The first button titled exactly "Cancel": Escape presses it.
    Cancel,
    Plain,
};

// The keys and acts that can end an alert without a click on a button.
enum class Ending {
    Return,
    Escape,
    // The window's close box, or the window destroyed from outside.
    WindowClosed,
};

struct AlertModel {
    std::string messageText;
    std::string informativeText;
    int style = kAlertStyleWarning;
    // Null when the dialog set none: the backend shows the style's stock sign.
    const Image* icon = nullptr;
    // In the order added; the run result of button i is 1000 + i.
    std::vector<std::string> buttons;

    ButtonRole roleOf(std::size_t button) const;
    // The "Cancel" button's index, if the alert has one.
    std::optional<std::size_t> cancelButton() const;
    // What an ending answers: a run result, or none when the key does
    // nothing (Return with no button, Escape with no "Cancel"). Closing the
    // window always answers, with no button.
    std::optional<long> answerFor(Ending ending) const;
};

// The run result of the button at `index`.
long resultOfButton(std::size_t index);

// What a screen reader calls the stock sign shown for a style, when the
// alert carries no icon of its own.
std::string stockSignName(int style);

// The name a field is asked for by: its caption where the dialog gave one,
// else its placeholder.
std::string fieldName(const std::optional<std::string>& caption, const std::string& placeholder);

}  // namespace ui::alert
