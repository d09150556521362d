// The window backend of the platform the program is built for (Qt on Linux,
// AppKit on macOS); the build links exactly one.
#pragma once

#include <memory>

#include "ui/toolkit.h"

namespace ui {

std::unique_ptr<Application> makeWindowApplication();

}  // namespace ui
