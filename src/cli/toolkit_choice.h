// Which toolkit asks the question: one table, in priority order, over what
// the environment asks for, what the display probe found and what will load
// and start. A toolkit that is missing, cannot load or will not start is
// skipped for the next one, never the end of the run.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/display_probe.h"
#include "ui/toolkit.h"

namespace cli {

// The name of the toolkit that asks on the terminal.
inline constexpr std::string_view kTerminal = "terminal";

struct ToolkitSurroundings {
    // SETUP_DIALOG_TOOLKIT: a toolkit's name, or "terminal"; empty when unset.
    std::string requested;
    // XDG_CURRENT_DESKTOP: desktop names separated by ":".
    std::string desktop;
    // Whether a display answered the probe: without one no window toolkit
    // is loaded at all. Asked only when a window toolkit is to be tried.
    std::function<bool()> displayAnswers;
};

// Starts the toolkits the choice tries. The program's loads modules and
// opens the terminal; tests give fakes.
class ToolkitStarter {
public:
    virtual ~ToolkitStarter() = default;
    // The window toolkits there are, in the order they are tried when
    // nothing else decides ("qt", "gtk" on Linux).
    virtual std::vector<std::string> windowToolkits() const = 0;
    // The named window toolkit, started; null with `why` set when it is
    // missing, cannot load or refused to start.
    virtual std::unique_ptr<ui::Application> startWindowToolkit(const std::string& name,
                                                                std::string& why) = 0;
    // The terminal's application when the question can be asked there;
    // null with `why` set otherwise.
    virtual std::unique_ptr<ui::Application> startTerminal(std::string& why) = 0;
};

struct ToolkitChoice {
    // Null when none can ask.
    std::unique_ptr<ui::Application> app;
    std::string chosen;
    // Why each toolkit tried before it, or instead of it, was not taken:
    // "name: reason", in the order tried.
    std::vector<std::string> passedOver;
    // What a window toolkit that started but could show no window said of
    // the display: the reason the no-display line gives.
    std::optional<ui::NoDisplayReason> noWindowReason;
};

// The toolkit of the desktop named first in XDG_CURRENT_DESKTOP that has
// one: "gtk" or "qt"; empty when none does.
std::string desktopToolkit(std::string_view desktops);

// The names to try, in order, each once: the requested one, the desktop's,
// every window toolkit, the terminal.
std::vector<std::string> toolkitOrder(const ToolkitSurroundings& surroundings,
                                      const std::vector<std::string>& windowToolkits);

// Why no display can be used, from what the probe found: an X display that
// was named and failed first (DISPLAY is the variable the line asks about),
// then a Wayland one.
ui::NoDisplayReason noDisplayReason(const platform::Displays& displays);

ToolkitChoice chooseToolkit(const ToolkitSurroundings& surroundings, ToolkitStarter& starter);

}  // namespace cli
