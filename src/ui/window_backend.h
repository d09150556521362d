// The window backend of the platform the program is built for (Qt on Linux,
// AppKit on macOS); the build links exactly one.
#pragma once

#include <memory>

#include "ui/toolkit.h"
#include "ui/toolkit_host.h"

namespace ui {

std::unique_ptr<Application> makeWindowApplication();
// A backend linked into the program (AppKit, Win32), told how to end a run
// that cannot reach an answer.
std::unique_ptr<Application> makeWindowApplication(const ToolkitHost& host);

}  // namespace ui
