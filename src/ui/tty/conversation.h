// One alert asked on the terminal: the heading, the text, the accessory
// view's controls top to bottom, then the buttons. This is the terminal
// dialog's whole logic; the backend only hands the alert's parts over.
#pragma once

#include "ui/alert/alert_model.h"
#include "ui/alert/capabilities.h"
#include "ui/tty/terminal.h"
#include "ui/view_tree.h"

namespace ui::tty {

// A terminal has one window, its own scrollback and its own line editing.
inline constexpr alert::Capabilities kCapabilities{
    .nativeAlert = false,
    .keepsOnTop = false,
    .showsIcon = false,
    .tabReachesBoxes = false,  // boxes are toggled by number; fields are asked in turn
    .lockedBoxInTabOrder = false,
    .textsInTabOrder = false,
    .scrollsLongText = false,  // the terminal scrolls the whole question
    .returnKey = alert::ReturnKey::DefaultButton,
    .editKeys = alert::EditKeys::LineEditing,
    .keyGuard = alert::KeyGuard::DropTypeAhead,
};

// Asks until the user names a button or dismisses the question; returns the
// run result as a window's alert would (kModalResponseCancel when dismissed).
long converse(Terminal& terminal, const alert::AlertModel& alert, const ViewTreeNode* accessory);

}  // namespace ui::tty
