#pragma once

#include "ui/toolkit.h"

namespace ui {

// Gives the application a main menu holding only an Edit menu, so that cut,
// copy, paste and select all work by key in whatever text field has focus.
void installEditMenu(Application& app);

}  // namespace ui
