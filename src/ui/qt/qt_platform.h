// What the Qt backend does to the process rather than to widgets: choosing
// the display platform before Qt starts, and starting Qt with its output kept
// off standard error.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "ui/toolkit.h"

class QApplication;

namespace ui::qt {

// What the choice of a platform needs to know of the machine.
struct PlatformSurroundings {
    // Whether an installed platform plugin answers to this (lower-case) name.
    std::function<bool(const QString& name)> pluginInstalled;
    // Whether the X server, or the Wayland compositor, of this session
    // takes a connection.
    std::function<bool()> x11Opens;
    std::function<bool()> waylandOpens;
};

// The platform Qt is to start, as an entry of QT_QPA_PLATFORM (the name in
// lower case, then its options), or empty when none that is asked for shows
// a window to a person. `requested` is read as Qt reads QT_QPA_PLATFORM: a
// list split by ";", each a name with options after ":", tried in order.
// Only X11 and Wayland count: other platforms (offscreen, minimal, vnc, the
// framebuffer ones) show nothing to the user at the desk. Nothing requested
// means X11 where it works (there the alert can stay on top), else Wayland.
QString choosePlatform(const QString& requested, const PlatformSurroundings& surroundings);

// Chooses the platform on this machine and pins Qt to it, so that Qt never
// tries one that would end the process. False when there is none, with
// `why` saying what was found instead.
bool choosePlatformForQt(NoDisplayReason& why);

// Points standard error away and sends Qt's messages through the program's
// own handler (unless SETUP_DIALOG_DEBUG=1 asks to see them), before anything
// of Qt runs, the reading of plugin metadata included. Once per run.
void captureToolkitOutput();

// Starts Qt from the program name alone: the items on the command line are
// the parent's data, never Qt options.
std::unique_ptr<QApplication> startQt();

// Where the program's last line still reaches standard error once Qt runs.
int errorLineFd();

}  // namespace ui::qt
