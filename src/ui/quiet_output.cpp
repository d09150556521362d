#include "ui/quiet_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace ui {

bool toolkitMessagesShown() {
    const char* debug = std::getenv("SETUP_DIALOG_DEBUG");
    return debug && std::strcmp(debug, "1") == 0;
}

int silenceToolkitOutput(bool keepCopy) {
    if (toolkitMessagesShown()) return STDERR_FILENO;
    const int copy = keepCopy ? fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3) : -1;
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, STDERR_FILENO);
        close(null);
    }
    return copy;
}

}  // namespace ui
