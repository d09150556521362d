// The entry of the GNUstep build of the AppKit backend: the program's run
// with the AppKit application linked in, as on macOS, its early ends written
// by the command line's one place for them. No terminal fallback: the
// terminal backend has tests of its own, and a test run here must never
// wait on the terminal it was started from.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "cli/manners.h"
#include "cli/run.h"
#include "ui/toolkit_host.h"
#include "ui/window_backend.h"

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    // The program's own lines go through a copy of standard error made
    // before the toolkit points descriptor 2 at /dev/null.
    const int errCopy = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    std::FILE* programErrors = errCopy >= 0 ? fdopen(errCopy, "w") : nullptr;
    if (!programErrors) programErrors = stderr;
    setvbuf(programErrors, nullptr, _IONBF, 0);
    const int lineFd = errCopy >= 0 ? errCopy : STDERR_FILENO;

    ui::ToolkitHost host;
    host.endRun = [lineFd](ui::EarlyEnd why) { cli::endRunEarly(lineFd, why); };
    int status;
    {
        // Everything the run makes lives in this scope and ends with it.
        const auto window = ui::makeWindowApplication(host);
        status = cli::runSetupDialog(argc, argv, *window, stdout, programErrors);
    }
    return status;
}
