// What the GTK module asks of X11 itself, kept apart: Xlib's macros (None,
// Window, Font) collide with the toolkit interface's names.
#pragma once

#include <gtk/gtk.h>

namespace ui::gtk {

// Asks the window manager, as EWMH says, to keep the window above others
// (GTK 4 has no call for it); nothing off X11. The window is mapped.
void keepAboveOnX11(GtkWidget* window);

// Calls `lost` when the X connection breaks, before GDK would end the
// process itself; nothing off X11.
void onX11ConnectionLost(void (*lost)());

// Calls `gone(data)` once if another client destroys the window's X window
// while it is watched. From the first window watched on, X's errors are
// trapped to the end of the run: GDK's own handler would end the process on
// any. Nothing off X11. The window is realized.
void watchX11Window(GtkWidget* window, void (*gone)(void*), void* data);
void unwatchX11Window(GtkWidget* window);

// The work area of the first monitor (off X11, the monitor less room for
// the panels Wayland does not tell of).
GdkRectangle workArea(GdkDisplay* display);

}  // namespace ui::gtk
