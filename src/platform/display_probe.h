// Whether a display, and the buses a window toolkit joins, answer: asked
// from child processes under a deadline, through the system's client
// libraries opened at run time, so that the program links no GUI library
// and a display that hangs or breaks cannot hang or end the run. Nothing
// here changes the environment.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class Answer {
    NotNamed,  // no display of that kind is named in the environment
    Opens,
    Silent,    // gone, frozen, or lacking the screen asked for
    Refused,   // the server is there and turned this user away
};

struct Displays {
    Answer x11 = Answer::NotNamed;
    Answer wayland = Answer::NotNamed;
    std::string x11Name;      // DISPLAY as given
    std::string waylandName;  // WAYLAND_DISPLAY as given
};

// Probes the X display named by DISPLAY and the Wayland compositor of this
// session, side by side under one deadline. `alongside` runs once the
// probes have started, while they run (not at all when no display is
// named): other work of the run's start. An X display that opens stays
// connected from this process until it ends: an X server whose last client
// leaves resets (or ends), and would turn away the toolkit that connects
// next.
Displays probeDisplays(const std::function<void()>& alongside = {});

// What the session and accessibility buses do.
struct Buses {
    // The session bus is named and answers.
    bool session = false;
    // The accessibility bus (AT_SPI_BUS_ADDRESS, or the one the session bus
    // names) answers too. Only asked when the session bus does.
    bool accessibility = false;
};
Buses probeBuses();

// The bus probes, started side by side when made, so that they run while
// the program does other work (probes the displays, loads a toolkit).
// Ending them, or the object, kills the probes still running.
class PendingBuses {
public:
    PendingBuses();
    ~PendingBuses();
    PendingBuses(const PendingBuses&) = delete;
    PendingBuses& operator=(const PendingBuses&) = delete;

    // What they found, once both answered or their one deadline from the
    // start came; the same answer when asked again. Asked after end(), it
    // probes anew.
    Buses wait();
    void end();

private:
    struct Probes;
    std::unique_ptr<Probes> probes_;
    std::optional<Buses> answer_;
};

}  // namespace platform
