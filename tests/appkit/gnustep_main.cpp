// The entry of the GNUstep build of the AppKit backend: the program's run
// with the AppKit application linked in, as on macOS, and the one place that
// ends a run the backend cannot bring to an answer. No terminal fallback:
// the terminal backend has tests of its own, and a test run here must never
// wait on the terminal it was started from.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "cli/run.h"
#include "ui/toolkit_host.h"
#include "ui/window_backend.h"

namespace {

// Where the program's own lines go: a copy of standard error made before
// the toolkit points descriptor 2 at /dev/null.
std::FILE* programErrors = stderr;

[[noreturn]] void endRun(ui::EarlyEnd why) {
    const char* line = "setup-dialog: lost the display before an answer\n";
    if (why == ui::EarlyEnd::WindowNeverAppeared) {
        line = "setup-dialog: no display: cannot show the dialog (the window did not appear)\n";
    } else if (why == ui::EarlyEnd::TerminalLost) {
        line = "setup-dialog: lost the terminal before an answer\n";
    }
    std::fputs(line, programErrors);
    std::fflush(programErrors);
    std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    const int errCopy = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (errCopy >= 0) {
        if (std::FILE* copy = fdopen(errCopy, "w")) programErrors = copy;
    }
    setvbuf(programErrors, nullptr, _IONBF, 0);

    ui::ToolkitHost host;
    host.endRun = endRun;
    int status;
    {
        // Everything the run makes lives in this scope and ends with it.
        const auto window = ui::makeWindowApplication(host);
        status = cli::runSetupDialog(argc, argv, *window, stdout, programErrors);
    }
    return status;
}
