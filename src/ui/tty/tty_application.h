// The terminal backend of the toolkit layer: every alert asked line by line
// on the controlling terminal, for runs where no window can be shown.
//
// What it does with the interface:
// - Alert: the conversation (conversation.h) prints the message and the
//   wrapped text, lists the checkboxes and texts of the accessory view in
//   reading order, asks each field by its caption, then the buttons.
// - Checkboxes: toggled by number, firing their action as a click does.
// - Fields: their text, placeholder and caption; labels their text.
// - sizeThatFits: text measured in character cells, so that the dialogs'
//   layout arithmetic stays sensible.
// What it ignores, having nothing to show it on: the alert style and icon
// (the file is not even read), the window level, activation, the first
// responder (fields are asked top to bottom), fonts, colours, the activation
// policy and the Edit menu (line editing gives the same keys).
#pragma once

#include <functional>
#include <memory>

#include "ui/toolkit.h"

namespace ui::tty {

// What the run does when the terminal goes away before an answer (a
// hang-up): called once the terminal has its own mode back. It ends the
// run and does not return.
using LostTerminal = std::function<void()>;

// The application object, talking to the terminal open on `terminalFd`
// (see openControllingTerminal), which it takes over.
std::unique_ptr<Application> makeApplication(int terminalFd, LostTerminal lost);

}  // namespace ui::tty
