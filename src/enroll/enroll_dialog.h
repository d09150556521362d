// Asks for an organisation's setup code and the user's work email, again and
// again until the input passes the rules or the user skips or cancels.
#pragma once

#include <string>

#include "ui/dialog.h"

namespace enroll {

// Writes the enroll record to context.out before it returns. A non-empty
// errorText is shown above the intro on the first pass.
void showEnrollDialog(const ui::DialogContext& context, const std::string& errorText);

// Lays a caption at (0, captionY) and makes a field at (110, fieldY) with the
// placeholder; the field is returned not yet added to the view.
ui::TextField& addLabeledField(ui::Application& app, ui::View& view, const std::string& caption,
                               double captionY, double fieldY, const std::string& placeholder);

}  // namespace enroll
