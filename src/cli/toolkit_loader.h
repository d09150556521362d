// Finds and starts the window toolkits: modules beside the executable on
// Linux, or the one backend linked into the program where the platform's
// toolkit is always there.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/toolkit_host.h"

namespace cli {

// Whether a window backend is linked into the program (it then checks for
// its display itself, and no module is looked for).
bool backendLinked();

// The window toolkits this program can start: "window", the linked one, or
// the module names ("qt", then "gtk").
std::vector<std::string> windowToolkitNames();

// Starts the named window toolkit; null with `why` set when its module is
// missing, cannot be loaded (its libraries are missing) or returned none.
// Modules are looked for in the executable's own folder only, never in a
// path the environment names, and never unloaded.
std::unique_ptr<ui::Application> startWindowToolkit(const std::string& name,
                                                    const ui::ToolkitHost& host, std::string& why);

// The folder of the running executable (/proc/self/exe); empty when it
// cannot be read.
std::string executableFolder();

}  // namespace cli
