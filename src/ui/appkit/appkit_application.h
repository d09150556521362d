// The AppKit backend of the toolkit layer (macOS). This header stays plain
// C++, free of Objective-C types, so that C++ code can make the application.
#pragma once

#include <memory>

#include "ui/toolkit.h"

namespace ui::appkit {

// The application object. It opens an autorelease scope that lasts as long
// as the object does; AppKit itself starts when the first window or control
// is made, so that a run that ends at the command line needs no window
// server.
std::unique_ptr<Application> makeApplication();

}  // namespace ui::appkit
