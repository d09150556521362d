// The Win32 backend of the toolkit layer (Windows): plain Win32 controls,
// no other toolkit. This header stays free of Windows types so that code
// outside the backend can make the application object.
//
// What it does with the interface:
// - Alert: a dialog made at run time (win32_alert); texts, style (the
//   stock information or warning sign), icon (also the window's), buttons
//   (the first default and rightmost; what Return, Escape and the close
//   box answer is the alert engine's, ui/alert/alert_model.h), accessory
//   view, modal run; a part too tall for the screen scrolls as the engine
//   plans; keys count only once it has been active for a quiet time
//   (ui/alert/input_guard.h). What it may do unlike other backends is
//   declared in kCapabilities (win32_alert.h).
// - Window: the floating level makes the dialog topmost; the first
//   responder takes the focus, a field with its text selected.
// - Views, checkboxes, labels, fields: controls at their frames, y flipped
//   where the window is made (win32_alert); a field's caption is its
//   accessible name, a checkbox's help its accessible help; a locked box is
//   disabled; a title too wide for its row ends in "…" and shows whole in a
//   tooltip and to a screen reader.
// - Fonts, colours, images: the desktop's message font and system colours
//   at the monitor's DPI; images decoded by WIC from regular files only.
// - Menu: the Edit menu's key equivalents act on the focused field, Command
//   and Control both Ctrl; elsewhere Ctrl+C copies the alert's texts.
// - Application: activation brings the dialog to the front; a run with no
//   interactive desktop (as under a service) can show no window; a desktop
//   that goes away before the alert shows ends the run through the host.
// What it ignores: the activation policy (every program with a window is a
// regular one) and menu titles (nothing shows them).
#pragma once

#include <memory>

#include "ui/toolkit.h"
#include "ui/toolkit_host.h"

namespace ui::win32 {

std::unique_ptr<Application> makeApplication(const ToolkitHost& host);

}  // namespace ui::win32
