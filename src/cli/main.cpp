#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <memory>

#include "cli/backend_choice.h"
#include "cli/run.h"
#include "ui/tty/terminal.h"
#include "ui/tty/tty_application.h"
#include "ui/window_backend.h"

namespace {

// A standard descriptor the parent closed is filled with /dev/null, so that
// no file the run opens later (the display connection, the icon) can take its
// number. Standard output is opened read-only: writing the record then fails
// and is reported, instead of seeming to succeed.
void reserveStandardDescriptors() {
    const int modes[] = {O_RDONLY, O_RDONLY, O_WRONLY};
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) continue;
        const int opened = open("/dev/null", modes[fd] | O_CLOEXEC);
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
}

// The terminal's application when the question is to be asked there; null
// when the window one asks it, or reports the missing display. Error lines
// go to `err`.
std::unique_ptr<ui::Application> terminalApplication(ui::Application& window, std::FILE* err) {
    const bool displayUsable = window.canShowWindows();
    // The terminal is opened only when there is no display to use.
    const int terminal = displayUsable ? -1 : ui::tty::openControllingTerminal();
    const cli::Surroundings surroundings = cli::surroundingsOf(displayUsable, terminal);
    if (cli::chooseBackend(surroundings) == cli::Backend::Terminal) {
        return ui::tty::makeApplication(terminal, [err] { cli::endWithLostTerminal(err); });
    }
    if (terminal >= 0) close(terminal);
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    // A parent that went away must not kill the run before it can tell.
    std::signal(SIGPIPE, SIG_IGN);
    reserveStandardDescriptors();

    // The program's own error lines go through a copy of standard error: the
    // toolkit points descriptor 2 itself at /dev/null when it starts, so that
    // the libraries under it cannot write there.
    std::FILE* err = nullptr;
    const int errCopy = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (errCopy >= 0) err = fdopen(errCopy, "w");
    if (!err) err = stderr;
    setvbuf(err, nullptr, _IONBF, 0);

    int status;
    {
        // Everything the run makes lives in this scope and ends with it. The
        // display is probed only after the command line has been read.
        const auto window = ui::makeWindowApplication();
        std::unique_ptr<ui::Application> terminal;
        status = cli::runSetupDialog(argc, argv, *window, stdout, err,
                                     [&](ui::Application& w) -> ui::Application& {
                                         terminal = terminalApplication(w, err);
                                         return terminal ? *terminal : w;
                                     });
    }
    return status;
}
