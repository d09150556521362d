// The window backend linked into the program where the platform's toolkit
// is always there (AppKit on macOS, Win32 on Windows). On Linux the window
// toolkits are modules loaded at run time instead (setup_dialog_toolkit_v1
// in ui/toolkit_host.h), and nothing defines this.
#pragma once

#include <memory>

#include "ui/toolkit_host.h"

namespace ui {

std::unique_ptr<Application> makeWindowApplication(const ToolkitHost& host);

}  // namespace ui
