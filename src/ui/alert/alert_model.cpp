#include "ui/alert/alert_model.h"

#include <algorithm>

namespace ui::alert {

namespace {

// Only this exact title answers Escape: a dialog that means "no" by another
// word has not offered a way out, and Escape must not invent one.
constexpr const char* kCancelTitle = "Cancel";

}  // namespace

long resultOfButton(std::size_t index) { return kAlertFirstButtonReturn + static_cast<long>(index); }

std::optional<std::size_t> AlertModel::cancelButton() const {
    const auto found = std::find(buttons.begin(), buttons.end(), kCancelTitle);
    if (found == buttons.end()) return std::nullopt;
    return static_cast<std::size_t>(found - buttons.begin());
}

ButtonRole AlertModel::roleOf(std::size_t button) const {
    if (button == 0) return ButtonRole::Default;
    return cancelButton() == button ? ButtonRole::Cancel : ButtonRole::Plain;
}

std::optional<long> AlertModel::answerFor(Ending ending) const {
    switch (ending) {
        case Ending::Return:
            if (buttons.empty()) return std::nullopt;
            return resultOfButton(0);
        case Ending::Escape:
            if (const auto cancel = cancelButton()) return resultOfButton(*cancel);
            return std::nullopt;
        case Ending::WindowClosed:
            return kModalResponseCancel;
    }
    return std::nullopt;
}

std::string stockSignName(int style) {
    return style == kAlertStyleInformational ? "Information" : "Warning";
}

std::string fieldName(const std::optional<std::string>& caption, const std::string& placeholder) {
    return caption ? *caption : placeholder;
}

}  // namespace ui::alert
