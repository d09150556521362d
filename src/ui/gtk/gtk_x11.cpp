#include "ui/gtk/gtk_x11.h"

#ifdef GDK_WINDOWING_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/x11/gdkx.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <vector>
#endif

namespace ui::gtk {

#ifdef GDK_WINDOWING_X11
namespace {
void (*connectionLost)() = nullptr;

int xConnectionLost(Display*) {
    if (connectionLost) connectionLost();
    _exit(1);
}

struct Watch {
    ::Window xid;
    void (*gone)(void*);
    void* data;
};
std::vector<Watch> watches;
bool watchingEvents = false;

// GDK is not told: on a surface drawn with GL it aborts on a destroy it did
// not ask for.
gboolean xEvent(GdkX11Display*, XEvent* event, gpointer) {
    if (event->type != DestroyNotify) return FALSE;
    for (Watch& watch : watches) {
        if (watch.xid != event->xdestroywindow.window) continue;
        if (void (*gone)(void*) = std::exchange(watch.gone, nullptr)) gone(watch.data);
        return TRUE;
    }
    return FALSE;
}

::Window xidOf(GtkWidget* window) {
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    return surface && GDK_IS_X11_SURFACE(surface) ? gdk_x11_surface_get_xid(surface) : 0;
}
}  // namespace
#endif

void keepAboveOnX11(GtkWidget* window) {
#ifdef GDK_WINDOWING_X11
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    if (!surface || !GDK_IS_X11_SURFACE(surface)) return;
    Display* display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
    const ::Window xid = gdk_x11_surface_get_xid(surface);
    Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    Atom above = XInternAtom(display, "_NET_WM_STATE_ABOVE", False);
    // The property, for a window manager that reads it at a later map (and
    // for anyone who looks); the message, for one that manages it now.
    XChangeProperty(display, xid, state, XA_ATOM, 32, PropModeAppend,
                    reinterpret_cast<unsigned char*>(&above), 1);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = xid;
    event.xclient.message_type = state;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // add
    event.xclient.data.l[1] = static_cast<long>(above);
    event.xclient.data.l[3] = 1;  // asked by an application
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
#else
    (void)window;
#endif
}

void onX11ConnectionLost(void (*lost)()) {
#ifdef GDK_WINDOWING_X11
    if (!GDK_IS_X11_DISPLAY(gdk_display_get_default())) return;
    connectionLost = lost;
    XSetIOErrorHandler(xConnectionLost);
#else
    (void)lost;
#endif
}

// From the first window watched to the end of the run, X's errors are
// trapped: GDK's own handler ends the process with status 1 on any, after
// the answer was written as readily as before it. What GTK asks of a window
// another client destroyed fails so; and under load, what it asks as the
// alert goes away at the end of the run.
void watchX11Window(GtkWidget* window, void (*gone)(void*), void* data) {
#ifdef GDK_WINDOWING_X11
    GdkDisplay* display = gtk_widget_get_display(window);
    const ::Window xid = xidOf(window);
    if (!xid || std::any_of(watches.begin(), watches.end(),
                            [xid](const Watch& watch) { return watch.xid == xid; })) {
        return;
    }
    if (!watchingEvents) {
        g_signal_connect(display, "xevent", G_CALLBACK(xEvent), nullptr);
        gdk_x11_display_error_trap_push(display);
    }
    watchingEvents = true;
    watches.push_back({xid, gone, data});
#else
    (void)window, (void)gone, (void)data;
#endif
}

void unwatchX11Window(GtkWidget* window) {
#ifdef GDK_WINDOWING_X11
    const ::Window xid = xidOf(window);
    // A window that is gone stays listed: GDK must not see its destruction.
    std::erase_if(watches, [xid](const Watch& watch) { return watch.xid == xid && watch.gone; });
#else
    (void)window;
#endif
}

GdkRectangle workArea(GdkDisplay* display) {
    GdkRectangle area{0, 0, 1024, 768};
    GListModel* monitors = gdk_display_get_monitors(display);
    auto* monitor = static_cast<GdkMonitor*>(g_list_model_get_item(monitors, 0));
    if (!monitor) return area;
    gdk_monitor_get_geometry(monitor, &area);
#ifdef GDK_WINDOWING_X11
    if (GDK_IS_X11_MONITOR(monitor)) {
        gdk_x11_monitor_get_workarea(monitor, &area);
        g_object_unref(monitor);
        return area;
    }
#endif
    g_object_unref(monitor);
    // Wayland tells a client nothing of the desktop's panels, and a
    // compositor may place a window by the edge of its shadow: an alert as
    // tall as the monitor would lose its buttons past the bottom edge.
    constexpr int kHiddenPanels = 64;
    area.y += kHiddenPanels;
    area.height = std::max(area.height / 2, area.height - kHiddenPanels);
    return area;
}

}  // namespace ui::gtk
