// The AppKit backend of the toolkit layer (macOS). This header stays plain
// C++, free of Objective-C types, so that C++ code can make the application.
//
// What it does with the interface: each operation is the AppKit call of the
// same name (NSAlert, NSWindow, NSView, NSButton, NSTextField, NSFont,
// NSColor, NSImage, NSMenu, NSApplication), geometry unchanged since AppKit
// also counts y upward. Beyond the calls: a tall accessory view scrolls so
// that the alert fits its screen, a field's caption is its accessibility
// title element, and the window server is asked for a login session before
// any window is made.
// What it ignores: nothing.
#pragma once

#include <memory>

#include "ui/toolkit.h"
#include "ui/toolkit_host.h"

namespace ui::appkit {

// The application object. It opens an autorelease scope that lasts as long
// as the object does; AppKit itself starts when the first window or control
// is made, so that a run that ends at the command line needs no window
// server.
std::unique_ptr<Application> makeApplication(const ToolkitHost& host);

}  // namespace ui::appkit
