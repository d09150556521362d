// The Qt 6 Widgets backend of the toolkit layer (Linux, X11 and Wayland).
// This header stays free of Qt types so that code outside the backend can
// make the application object.
//
// What it does with the interface:
// - Alert: a dialog laid out as an alert (qt_alert); texts, style (its stock
//   sign), icon, buttons (the first default and rightmost, Escape presses
//   the engine's cancel button), accessory view, modal run; a tall accessory view scrolls;
//   keys count only once it has been active for a quiet time (KeyGuard).
// - Window: the floating level keeps the dialog on top (on X11; Wayland lets
//   no client do that); the first responder
//   takes the focus, a field with its text selected.
// - Views, checkboxes, labels, fields: widgets at their frames, y flipped at
//   the node (qt_controls); a field's caption is its label's buddy.
// - Fonts, colours, images: the desktop's fonts and palette; images from
//   regular files only.
// - Menu: the Edit menu's key equivalents become shortcuts of each alert,
//   Command and Control both Ctrl; no menu bar is shown.
// - Application: activation raises and activates the dialog; the platform
//   (X11 first, else Wayland) is chosen among the displays the host's probe
//   found answering, and a display lost while Qt runs, or a window that
//   never appears, ends the run through the host (qt_platform).
// What it ignores: the activation policy (every Qt program is a regular
// one) and menu titles (nothing shows them).
#pragma once

#include <memory>

#include "ui/toolkit_host.h"

namespace ui::qt {

// The application object. Qt itself is started lazily, when the first window
// or control is made. canShowWindows() chooses Qt's platform among the
// displays the host found answering. The module's entry,
// setup_dialog_toolkit_v1, returns one of these.
std::unique_ptr<Application> makeApplication(const ToolkitHost& host);

// For tests that drive the backend in process: a host that ends a run
// early with status 1 and nothing said.
std::unique_ptr<Application> makeApplication();

}  // namespace ui::qt
