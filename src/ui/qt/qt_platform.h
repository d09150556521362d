// What the Qt backend does to the process rather than to widgets: finding out
// whether Qt can start at all, and starting it with its output kept off
// standard error.
#pragma once

#include <memory>

class QApplication;

namespace ui::qt {

// Whether Qt will be able to open the platform it would choose. Qt ends the
// process when it cannot, so the run finds out first.
bool platformWillStart();

// Starts Qt from the program name alone: the items on the command line are
// the parent's data, never Qt options.
std::unique_ptr<QApplication> startQt();

}  // namespace ui::qt
