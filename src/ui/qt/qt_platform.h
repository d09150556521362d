// What the Qt backend does to the process rather than to widgets: choosing
// the display platform before Qt starts, and starting Qt with its output kept
// off standard error.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "ui/toolkit_host.h"

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

// The platform Qt is to start on this machine, given the displays the
// host's probe found answering; empty when there is none, with `why`
// saying so.
QString choosePlatformForQt(const ToolkitHost& host, NoDisplayReason& why);

// Sends Qt's messages through the program's own handler, before anything of
// Qt runs, the reading of plugin metadata included: they reach standard
// error only when the host shows the toolkit's messages, and a fatal one ends
// the run through the host, which must outlive the run.
void captureToolkitOutput(const ToolkitHost& host);
// The host is going away: Qt's later messages (from its exit handlers) are
// shown or dropped as before, and end nothing.
void releaseToolkitOutput();

// What the buses answer: the host's probes when it started them, else a
// probe made here.
BusAnswers busesForQt(const ToolkitHost& host);

// Starts Qt on `platform` (empty: as Qt chooses) from the program name
// alone, once the settings that would end the run or show nothing are
// dropped and a bus that never answers, as `buses` found, is kept out.
std::unique_ptr<QApplication> startQt(const QString& platform, const BusAnswers& buses);

}  // namespace ui::qt
