// One alert asked on the terminal: the heading, the text, the accessory
// view's controls top to bottom, then the buttons. This is the terminal
// dialog's whole logic; the backend only hands the alert's parts over.
#pragma once

#include "ui/alert/alert_model.h"
#include "ui/tty/terminal.h"
#include "ui/view_tree.h"

namespace ui::tty {

// Asks until the user names a button or dismisses the question; returns the
// run result as a window's alert would (kModalResponseCancel when dismissed).
long converse(Terminal& terminal, const alert::AlertModel& alert, const ViewTreeNode* accessory);

}  // namespace ui::tty
