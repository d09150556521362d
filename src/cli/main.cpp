#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include "cli/run.h"
#include "ui/qt/qt_application.h"

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

}  // namespace

int main(int argc, char** argv) {
    // A parent that went away must not kill the run before it can tell.
    std::signal(SIGPIPE, SIG_IGN);
    reserveStandardDescriptors();

    int status;
    {
        // Everything the run makes lives in this scope and ends with it.
        const auto app = ui::qt::makeApplication();
        status = cli::runSetupDialog(argc, argv, *app, stdout, stderr);
    }
    return status;
}
