// The Qt 6 Widgets backend of the toolkit layer. This header stays free of Qt
// types so that code outside the backend can make the application object.
#pragma once

#include <memory>

#include "ui/toolkit.h"

namespace ui::qt {

// The application object. Qt itself is started lazily, when the first window
// or control is made, so that runs that end at the command line need no
// display and load no GUI.
std::unique_ptr<Application> makeApplication();

}  // namespace ui::qt
