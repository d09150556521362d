// The automatic-setup block: the checkbox with its fixed note under it, or a
// policy note alone, laid downward from a given top edge of a view.
#pragma once

#include <string>

#include "setup/auto_install_policy.h"
#include "ui/toolkit.h"

namespace setup {

// A wrapping label in the small system font and the secondary colour; the
// caller gives it its frame.
ui::TextField& makeNoteLabel(ui::Application& app, const std::string& text);

// The height a note label with this text needs when it wraps at width 320.
double noteHeight(ui::Application& app, const std::string& text);

double autoInstallBlockHeight(ui::Application& app, const AutoInstallState& state);

// Adds the block's controls to the view, from `top` down to
// top - autoInstallBlockHeight(state). The action (may be empty) is the
// checkbox's. Returns the automatic-setup checkbox, or null in the note form.
ui::Checkbox* addAutoInstallControls(ui::Application& app, ui::View& view,
                                     const AutoInstallState& state, double top,
                                     ui::Checkbox::Action action);

}  // namespace setup
