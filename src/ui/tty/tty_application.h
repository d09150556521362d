// The terminal backend of the toolkit layer: every alert asked line by line
// on the controlling terminal, for runs where no window can be shown.
#pragma once

#include <memory>

#include "ui/toolkit.h"

namespace ui::tty {

// The application object, talking to the terminal open on `terminalFd`
// (see openControllingTerminal), which it takes over.
std::unique_ptr<Application> makeApplication(int terminalFd);

}  // namespace ui::tty
