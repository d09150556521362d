#include "cli/backend_choice.h"

namespace cli {

Backend chooseBackend(const Surroundings& surroundings) {
    if (surroundings.displayUsable) return Backend::Window;
    // A stopped helper would hang the parent waiting for its answer; better
    // the "no display" line at once.
    if (surroundings.terminalOpens && surroundings.terminalInForeground) return Backend::Terminal;
    return Backend::None;
}

}  // namespace cli
