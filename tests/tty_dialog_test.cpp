// The terminal dialogs in-process, on a pseudo-terminal: a thread plays the
// user, answering each prompt as it shows, and the record is read back.
#include <fcntl.h>
#include <pty.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cli/backend_choice.h"
#include "enroll/enroll_dialog.h"
#include "fake_toolkit.h"
#include "setup/setup_dialogs.h"
#include "ui/tty/tty_application.h"

namespace {

using Dialog = std::function<void(const ui::DialogContext&)>;

struct Step {
    std::string prompt;  // shown after the previous step's prompt
    std::string keys;
};

struct TerminalRun {
    std::string record;
    std::string screen;
    bool allPromptsShown = false;
};

// Runs the dialog on a fresh pseudo-terminal while a thread types each
// step's keys once its prompt shows. A prompt that never shows is answered
// with Ctrl-C until the dialog gives up, so a fault cannot hang the test.
TerminalRun runOnTerminal(const Dialog& dialog, const std::vector<Step>& steps) {
    int master = -1, slave = -1;
    winsize size{24, 80, 0, 0};
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) return {};
    TerminalRun run;
    std::atomic<bool> done = false;
    std::thread user([&] {
        std::size_t next = 0, seen = 0;
        auto quiet = std::chrono::steady_clock::now();
        while (!done) {
            pollfd ready{master, POLLIN, 0};
            if (poll(&ready, 1, 20) > 0) {
                char buffer[4096];
                const ssize_t count = read(master, buffer, sizeof buffer);
                if (count > 0) run.screen.append(buffer, static_cast<std::size_t>(count));
            }
            if (next < steps.size()) {
                const std::size_t at = run.screen.find(steps[next].prompt, seen);
                if (at != std::string::npos) {
                    seen = at + steps[next].prompt.size();
                    [[maybe_unused]] auto w = write(master, steps[next].keys.data(), steps[next].keys.size());
                    ++next;
                    quiet = std::chrono::steady_clock::now();
                    continue;
                }
            }
            if (std::chrono::steady_clock::now() - quiet > std::chrono::seconds(3)) {
                [[maybe_unused]] auto w = write(master, "\x03", 1);
                quiet = std::chrono::steady_clock::now();
            }
        }
        run.allPromptsShown = next == steps.size();
    });
    fake::CapturedOutput out;
    {
        const auto app = ui::tty::makeApplication(slave);
        dialog({*app, out.file(), std::nullopt});
    }
    done = true;
    user.join();
    close(master);
    run.record = out.text();
    return run;
}

const std::string kFFFD = "\xEF\xBF\xBD";
const std::string kEnrollButtons = "Press Enter for Continue, or type Skip or Cancel: ";

TEST(TerminalDialog, TypedLinesGiveTheRecordAWindowWould) {
    struct Case {
        const char* name;
        Dialog dialog;
        std::vector<Step> steps;
        std::string record;
    } cases[] = {
        {"a box's number toggles it",
         [](auto& c) { setup::showClientSetupDialog(c, "default", {"A", "B"}); },
         {{"or type Skip: ", "2\r"}, {"or type Skip: ", "\r"}},
         "configure\nfalse\nA\n"},
        {"a locked box stays; unlocking gives it back",
         [](auto& c) { setup::showClientSetupDialog(c, "auto_install", {"A"}); },
         {{"or type Skip: ", "1\r"}, {"Box 1 is locked.", ""}, {"or type Skip: ", "2\r"},
          {"or type Skip: ", "1\r"}, {"or type Skip: ", "s\r"}},
         "skip\nfalse\n\n"},
        {"no-clients: the automatic-setup box",
         [](auto& c) { setup::showNoClientsDialog(c, "default"); },
         {{"or type Close: ", "1\r"}, {"or type Close: ", "\r"}},
         "continue\ntrue\n"},
        {"Ctrl-D at the buttons closes without a button",
         [](auto& c) { setup::showMigrateDialog(c, {"x"}); },
         {{"or type Do This Later: ", "\x04"}},
         "false\n"},
        // "c" starts both Continue and Cancel: it must be asked again, not
        // taken for either.
        {"an ambiguous start of a button is asked again",
         [](auto& c) { enroll::showEnrollDialog(c, ""); },
         {{"Setup code (dk_...): ", "dk_1\r"}, {"Work email", "\r"},
          {kEnrollButtons, "c\r"}, {"not a button.", ""}, {kEnrollButtons, "co\r"}},
         "dk_1\n\n"},
        // An overlong "/" and a surrogate typed in reach the record only as
        // U+FFFD, never as bytes the parent would take for UTF-8.
        {"malformed typed characters are replaced",
         [](auto& c) { enroll::showEnrollDialog(c, ""); },
         {{"Setup code (dk_...): ", "dk_\xE0\x80\xAF\xED\xA0\x80z\r"}, {"Work email", "a@b\r"},
          {kEnrollButtons, "\r"}},
         "dk_" + kFFFD + kFFFD + "z\na@b\n"},
        {"a rejected code comes back in brackets; Enter keeps it",
         [](auto& c) { enroll::showEnrollDialog(c, ""); },
         {{"Setup code (dk_...): ", " x \r"}, {"Work email", "\r"}, {kEnrollButtons, "\r"},
          {"Setup code must start with dk_.", ""}, {"Setup code [x]: ", "dk_2\r"},
          {"Work email", "\r"}, {"or type Skip or Cancel: ", "\r"}},
         "dk_2\n\n"},
    };
    for (const Case& c : cases) {
        const TerminalRun run = runOnTerminal(c.dialog, c.steps);
        EXPECT_TRUE(run.allPromptsShown) << c.name << "; the terminal showed:\n" << run.screen;
        EXPECT_EQ(run.record, c.record) << c.name << "; the terminal showed:\n" << run.screen;
    }
}

// A job in the background of its terminal is stopped at its first read, and
// the parent waiting for the answer would hang: such a run must not choose
// the terminal. Checked in a child that owns a pseudo-terminal as its
// controlling terminal, in the foreground group and then in a background one.
TEST(TerminalDialog, ABackgroundJobDoesNotAskOnItsTerminal) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setsid();
        ioctl(slave, TIOCSCTTY, 0);
        auto choice = [] {
            const int fd = open("/dev/tty", O_RDWR | O_NOCTTY);
            const cli::Backend backend = cli::chooseBackend(cli::surroundingsOf(false, fd));
            if (fd >= 0) close(fd);
            return backend;
        };
        if (choice() != cli::Backend::Terminal) _exit(1);
        const pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);  // a group of its own, not the terminal's foreground one
            _exit(choice() == cli::Backend::None ? 0 : 2);
        }
        int jobStatus = 0;
        waitpid(job, &jobStatus, 0);
        _exit(WIFEXITED(jobStatus) ? WEXITSTATUS(jobStatus) : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    close(master);
    close(slave);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the foreground was refused; 2: the background was taken";
}

}  // namespace
