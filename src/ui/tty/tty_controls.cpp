#include "ui/tty/tty_controls.h"

#include <algorithm>

#include "ui/tty/tty_text.h"

namespace ui::tty {

Size TtyTextField::sizeThatFits(Size bounds) const {
    const double natural = kCharacterWidth * static_cast<double>(columnsOf(value_));
    if (kind_ != Kind::WrappingLabel) return {natural, kLineHeight};
    const double perLine = std::clamp(bounds.width / kCharacterWidth, 1.0, 1e6);
    const auto lines = wrapText(value_, static_cast<std::size_t>(perLine)).size();
    return {std::min(bounds.width, natural),
            std::min(bounds.height, kLineHeight * static_cast<double>(lines))};
}

}  // namespace ui::tty
