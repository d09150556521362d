#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "cli/backend_choice.h"
#include "cli/manners.h"
#include "cli/run.h"
#include "cli/toolkit_choice.h"
#include "cli/toolkit_loader.h"
#include "platform/display_probe.h"
#include "setup_dialog_version.h"
#include "ui/quiet_output.h"
#include "ui/tty/terminal.h"
#include "ui/tty/tty_application.h"

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

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The toolkits as this program has them: modules beside it (or the linked
// backend), and the terminal it was started from.
class ProgramToolkits final : public cli::ToolkitStarter {
public:
    explicit ProgramToolkits(ui::ToolkitHost& host) : host_(host) {}

    std::vector<std::string> windowToolkits() const override { return cli::windowToolkitNames(); }

    std::unique_ptr<ui::Application> startWindowToolkit(const std::string& name,
                                                        std::string& why) override {
        return cli::startWindowToolkit(name, host_, why);
    }

    std::unique_ptr<ui::Application> startTerminal(std::string& why) override {
        const int terminal = ui::tty::openControllingTerminal();
        const cli::Surroundings surroundings = cli::surroundingsOf(false, terminal);
        if (cli::chooseBackend(surroundings) == cli::Backend::Terminal) {
            const ui::ToolkitHost& host = host_;
            return ui::tty::makeApplication(terminal,
                                            [&host] { host.endRun(ui::EarlyEnd::TerminalLost); });
        }
        if (terminal >= 0) close(terminal);
        why = terminal < 0 ? "no terminal opens" : "not in the terminal's foreground";
        return nullptr;
    }

    // Probes the displays once, the first time a window toolkit is to be
    // tried; a linked backend checks for its display itself. Where a
    // display is named the bus probes start beside the display probes, and
    // run on while the toolkit loads, for the toolkit to ask.
    bool displayAnswers() {
        if (cli::backendLinked()) return true;
        if (!probed_) {
            displays_ = platform::probeDisplays([this] {
                buses_ = std::make_shared<platform::PendingBuses>();
                host_.buses = [buses = buses_] {
                    const platform::Buses found = buses->wait();
                    return ui::BusAnswers{found.session, found.accessibility};
                };
            });
            host_.x11Answers = displays_.x11 == platform::Answer::Opens;
            host_.waylandAnswers = displays_.wayland == platform::Answer::Opens;
            probed_ = true;
            if (!host_.x11Answers && !host_.waylandAnswers) endBusProbes();
        }
        return host_.x11Answers || host_.waylandAnswers;
    }

    // The toolkit is chosen: bus probes that no toolkit asked for end.
    void endBusProbes() {
        if (buses_) buses_->end();
    }

    // The line for a run that no toolkit can ask in.
    std::string lineWhenNone(const cli::ToolkitChoice& choice) const {
        if (choice.noWindowReason) return cli::noDisplayLine(*choice.noWindowReason);
        // A display answered, and no window toolkit could use it.
        if (probed_ && (host_.x11Answers || host_.waylandAnswers)) {
            return std::string(cli::earlyEndLine(ui::EarlyEnd::WindowNeverAppeared));
        }
        return cli::noDisplayLine(cli::noDisplayReason(displays_));
    }

private:
    ui::ToolkitHost& host_;
    bool probed_ = false;
    platform::Displays displays_;
    std::shared_ptr<platform::PendingBuses> buses_;
};

std::unique_ptr<ui::Application> chooseApplication(ui::ToolkitHost& host, std::FILE* err,
                                                   std::string& line) {
    ProgramToolkits toolkits(host);
    cli::ToolkitSurroundings surroundings{environment("SETUP_DIALOG_TOOLKIT"),
                                          environment("XDG_CURRENT_DESKTOP"),
                                          [&toolkits] { return toolkits.displayAnswers(); }};
    cli::ToolkitChoice choice = cli::chooseToolkit(surroundings, toolkits);
    toolkits.endBusProbes();
    if (host.showToolkitMessages) {
        for (const std::string& passed : choice.passedOver) {
            std::fprintf(err, "setup-dialog: toolkit %s (not taken)\n", passed.c_str());
        }
        std::fprintf(err, "setup-dialog: toolkit chosen: %s\n",
                     choice.app ? choice.chosen.c_str() : "none");
    }
    if (!choice.app) line = toolkits.lineWhenNone(choice);
    return std::move(choice.app);
}

}  // namespace

int main(int argc, char** argv) {
    // A parent that went away must not kill the run before it can tell.
    std::signal(SIGPIPE, SIG_IGN);
    reserveStandardDescriptors();

    // The program's own error lines go through a copy of standard error;
    // descriptor 2 itself then points at /dev/null (unless
    // SETUP_DIALOG_DEBUG=1), here and nowhere else, so that the libraries
    // under a toolkit cannot write there.
    const int errFd = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    std::FILE* err = errFd >= 0 ? fdopen(errFd, "w") : nullptr;
    if (!err) err = stderr;
    setvbuf(err, nullptr, _IONBF, 0);

    ui::ToolkitHost host;
    host.showToolkitMessages = ui::toolkitMessagesShown();
    // Debug output starts by naming the program's version.
    if (host.showToolkitMessages) std::fprintf(err, "%s\n", setupDialogVersionLine());
    if (errFd >= 0) ui::silenceToolkitOutput(/*keepCopy=*/false);
    const int lineFd = errFd >= 0 ? errFd : STDERR_FILENO;
    host.endRun = [lineFd](ui::EarlyEnd why) { cli::endRunEarly(lineFd, why); };

    int status;
    {
        // Everything the run makes lives in this scope and ends with it. No
        // toolkit is chosen, no display probed, before the command line has
        // been read.
        std::unique_ptr<ui::Application> app;
        status = cli::runSetupDialog(
            argc, argv,
            [&](std::string& line) -> ui::Application* {
                app = chooseApplication(host, err, line);
                return app.get();
            },
            stdout, err);
    }
    return status;
}
