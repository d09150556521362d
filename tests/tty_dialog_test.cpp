// The terminal dialogs on a pseudo-terminal: the dialog runs as a job in
// the foreground of a fresh session, as a shell runs the parent that runs
// this program; the test plays the user, answering each prompt as it shows,
// and reads the record back.
#include <fcntl.h>
#if __has_include(<pty.h>)
#include <pty.h>
#else
#include <util.h>  // openpty on macOS
#endif
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cli/backend_choice.h"
#include "enroll/enroll_dialog.h"
#include "fake_toolkit.h"
#include "setup/setup_dialogs.h"
#include "ui/tty/tty_application.h"
#include "ui/tty/tty_text.h"

namespace {

using Dialog = std::function<void(const ui::DialogContext&)>;
using namespace std::chrono_literals;

enum class Act {
    Type,
    // Waits well past the wait for the rest of an escape sequence, then types.
    TypeAfterPause,
    // Stops reading the terminal, so that the program's output fills it and
    // blocks, then types.
    StallThenType,
    // Stops the job (kill -TSTP), looks at the terminal, continues it.
    StopAndContinue,
    // Sends the job SIGHUP, as a shell does on a hang-up, and closes the line.
    HangUp,
    // Sends the job SIGTERM from outside, then types.
    Terminate,
};

struct Step {
    std::string prompt;  // shown after the previous step's prompt
    std::string keys;
    Act act = Act::Type;
};

struct Setting {
    std::string typeAhead;  // typed before the program started
    std::vector<int> ignored;  // signals the parent left ignored, as nohup does
    unsigned short columns = 80;
};

Setting typedAhead(std::string keys) {
    Setting setting;
    setting.typeAhead = std::move(keys);
    return setting;
}

Setting ignoring(std::vector<int> signals) {
    Setting setting;
    setting.ignored = std::move(signals);
    return setting;
}

struct TerminalRun {
    std::string record;
    std::string screen;
    int status = -1;  // the job's exit status, or 128 + the signal that ended it
    bool allPromptsShown = false;
    bool gaveUp = false;  // a prompt never showed, and Ctrl-C was pressed
    bool modeRestored = false;  // the terminal ended as it began (unless hung up)
    bool modeRestoredWhileStopped = true;
};

bool sameMode(const termios& a, const termios& b) {
    return a.c_lflag == b.c_lflag && a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag &&
           a.c_cc[VMIN] == b.c_cc[VMIN] && a.c_cc[VTIME] == b.c_cc[VTIME];
}

// The session leader stands for the shell: it makes the terminal its own,
// runs the dialog as a foreground job and reports how the job ended.
[[noreturn]] void runSession(int slave, int recordOut, const Dialog& dialog, const Setting& setting) {
    setsid();
    ioctl(slave, TIOCSCTTY, 0);
    std::signal(SIGHUP, SIG_IGN);  // outlives a hang-up, to report
    const pid_t job = fork();
    if (job == 0) {
        setpgid(0, 0);
        sigset_t ttou;
        sigemptyset(&ttou);
        sigaddset(&ttou, SIGTTOU);
        sigprocmask(SIG_BLOCK, &ttou, nullptr);
        tcsetpgrp(slave, getpid());
        sigprocmask(SIG_UNBLOCK, &ttou, nullptr);
        std::signal(SIGHUP, SIG_DFL);
        for (const int ignored : setting.ignored) std::signal(ignored, SIG_IGN);
        fake::CapturedOutput out;
        {
            // A lost terminal ends the run with no record: here it says so
            // in place of one.
            const auto app = ui::tty::makeApplication(slave, [recordOut] {
                static const char lost[] = "lost the terminal\n";
                [[maybe_unused]] auto w = write(recordOut, lost, sizeof lost - 1);
                _exit(1);
            });
            dialog({*app, out.file(), std::nullopt});
        }
        const std::string record = out.text();
        [[maybe_unused]] auto w = write(recordOut, record.data(), record.size());
        _exit(0);
    }
    close(slave);
    close(recordOut);
    int status = 0;
    while (waitpid(job, &status, 0) < 0 && errno == EINTR) {
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

bool isStopped(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string line((std::istreambuf_iterator<char>(stat)), {});
    const std::size_t name = line.rfind(')');
    return name != std::string::npos && line.size() > name + 2 && line[name + 2] == 'T';
}

// A prompt that never shows is answered with Ctrl-C until the dialog gives
// up, and a job that still does not end is killed, so a fault cannot hang
// the test.
TerminalRun runOnTerminal(const Dialog& dialog, const std::vector<Step>& steps,
                          const Setting& setting = {}) {
    int master = -1, slave = -1;
    winsize size{24, setting.columns, 0, 0};
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) return {};
    termios original{};
    tcgetattr(slave, &original);
    int recordPipe[2];
    if (pipe(recordPipe) != 0) return {};
    [[maybe_unused]] auto w = write(master, setting.typeAhead.data(), setting.typeAhead.size());
    const pid_t session = fork();
    if (session == 0) {
        close(master);
        close(recordPipe[0]);
        runSession(slave, recordPipe[1], dialog, setting);
    }
    close(recordPipe[1]);
    if (session < 0) {
        close(master);
        close(slave);
        close(recordPipe[0]);
        return {};
    }

    TerminalRun run;
    std::size_t next = 0, seen = 0;
    bool lineUp = true;
    auto quiet = std::chrono::steady_clock::now();
    const auto deadline = quiet + 30s;
    int status = 0;
    // The job's process group, once it has taken the terminal from the
    // session leader: the steps' signals go to it and to nothing else.
    pid_t job = 0;
    const auto signalJob = [&](int signal) {
        if (job <= 0 && lineUp) {
            const pid_t group = tcgetpgrp(master);
            if (group > 1 && group != session) job = group;
        }
        if (job > 1) kill(-job, signal);
    };
    const auto readAvailable = [&](int timeoutMs) {
        pollfd ready[] = {{lineUp ? master : -1, POLLIN, 0}, {recordPipe[0], POLLIN, 0}};
        if (poll(ready, 2, timeoutMs) <= 0) return false;
        char buffer[8192];
        if (ready[0].revents & POLLIN) {
            const ssize_t count = read(master, buffer, sizeof buffer);
            if (count > 0) run.screen.append(buffer, static_cast<std::size_t>(count));
        }
        if (ready[1].revents & (POLLIN | POLLHUP)) {
            const ssize_t count = read(recordPipe[0], buffer, sizeof buffer);
            if (count > 0) run.record.append(buffer, static_cast<std::size_t>(count));
            if (count <= 0) {
                close(recordPipe[0]);
                recordPipe[0] = -1;
            }
        }
        return true;
    };
    for (;;) {
        if (waitpid(session, &status, WNOHANG) == session) {
            while (readAvailable(50)) {
            }
            break;
        }
        readAvailable(20);
        const auto now = std::chrono::steady_clock::now();
        if (now > deadline) {
            signalJob(SIGKILL);
            kill(session, SIGKILL);
        }
        if (lineUp && next < steps.size()) {
            const Step& step = steps[next];
            const std::size_t at = run.screen.find(step.prompt, seen);
            if (at != std::string::npos) {
                seen = at + step.prompt.size();
                ++next;
                quiet = now;
                switch (step.act) {
                    case Act::Type: break;
                    case Act::TypeAfterPause: std::this_thread::sleep_for(600ms); break;
                    case Act::StallThenType: std::this_thread::sleep_for(300ms); break;
                    case Act::StopAndContinue: {
                        signalJob(SIGTSTP);
                        for (int i = 0; i < 200 && !isStopped(job); ++i) std::this_thread::sleep_for(10ms);
                        termios stopped{};
                        tcgetattr(slave, &stopped);
                        run.modeRestoredWhileStopped = isStopped(job) && sameMode(stopped, original);
                        signalJob(SIGCONT);
                        break;
                    }
                    case Act::Terminate: signalJob(SIGTERM); break;
                    case Act::HangUp:
                        signalJob(SIGHUP);
                        close(master);
                        lineUp = false;
                        continue;
                }
                [[maybe_unused]] auto typed = write(master, step.keys.data(), step.keys.size());
                continue;
            }
        }
        if (lineUp && now - quiet > 3s) {
            [[maybe_unused]] auto typed = write(master, "\x03", 1);
            run.gaveUp = true;
            quiet = now;
        }
    }
    termios after{};
    run.modeRestored = lineUp && tcgetattr(slave, &after) == 0 && sameMode(after, original);
    if (lineUp) close(master);
    close(slave);
    if (recordPipe[0] >= 0) close(recordPipe[0]);
    run.allPromptsShown = next == steps.size();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

std::string describe(const TerminalRun& run) {
    return "status " + std::to_string(run.status) + (run.gaveUp ? ", gave up" : "") +
           (run.modeRestored ? "" : ", mode not restored") +
           (run.modeRestoredWhileStopped ? "" : ", mode kept while stopped") +
           "; the terminal showed:\n" + run.screen.substr(0, 4000);
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
        EXPECT_TRUE(run.allPromptsShown && !run.gaveUp && run.status == 0 && run.modeRestored)
            << c.name << "; " << describe(run);
        EXPECT_EQ(run.record, c.record) << c.name << "; " << describe(run);
    }
}

// An alert with these buttons whose record is the run result itself, which
// tells a pressed "Cancel" from a question closed without a button.
Dialog askWithButtons(std::vector<std::string> buttons) {
    return [buttons](const ui::DialogContext& c) {
        ui::Alert& alert = c.app.makeAlert();
        alert.setMessageText("Go on?");
        for (const std::string& title : buttons) alert.addButtonWithTitle(title);
        std::fprintf(c.out, "%ld\n", alert.runModal());
    };
}

std::vector<std::string> manyNames(int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) names.push_back("Application " + std::to_string(i));
    return names;
}

std::string joined(const std::vector<std::string>& names, std::size_t from) {
    std::string line;
    for (std::size_t i = from; i < names.size(); ++i) line += (i > from ? "," : "") + names[i];
    return line;
}

// Whatever the user presses, whatever happens to the job and its line, no
// signal reaches the parent, the terminal is left in its own mode, and a
// record is written unless a signal from outside ends the run.
TEST(TerminalDialog, NoKeySignalOrHangUpHurtsTheParentOrTheTerminal) {
    const std::string migrate = "or type Do This Later: ";
    const auto migrateDialog = [](auto& c) { setup::showMigrateDialog(c, {"x"}); };
    static const std::vector<std::string> names = manyNames(3000);
    struct Case {
        const char* name;
        Dialog dialog;
        std::vector<Step> steps;
        std::string record;
        Setting setting = {};
        int status = 0;
    } cases[] = {
        // Ctrl-C while the list is redrawn to a terminal that reads slowly
        // is a key for the next prompt, not SIGINT for the parent.
        {"Ctrl-C during a long redraw closes the question",
         [](auto& c) { setup::showClientSetupDialog(c, "default", names); },
         {{"or type Skip: ", "1\r"}, {"1. [ ] ", "\x03", Act::StallThenType}},
         "skip\nfalse\n" + joined(names, 1) + "\n"},
        // Pressed while the question is first drawn, it was not aimed at it:
        // it is dropped with the rest of the type-ahead.
        {"Ctrl-C during the first drawing is type-ahead",
         [](auto& c) { setup::showClientSetupDialog(c, "default", names); },
         {{"[x] Application 2\r\n", "\x03", Act::StallThenType}, {"or type Skip: ", "\r"}},
         "configure\nfalse\n" + joined(names, 0) + "\n"},
        {"Ctrl-\\ and Ctrl-Z are plain keys", migrateDialog, {{migrate, "\x1c\x1a\r"}}, "x\n"},
        {"Escape and Enter in one read: the Enter counts", migrateDialog, {{migrate, "\x1b\r"}},
         "x\n"},
        {"an unfinished sequence ends at Enter", migrateDialog, {{migrate, "\x1b[\r"}}, "x\n"},
        {"a lone Escape presses Cancel", askWithButtons({"OK", "Cancel"}),
         {{"or type Cancel: ", "\x1b"}}, "1001\n"},
        {"a lone Escape at a field presses Cancel", [](auto& c) { enroll::showEnrollDialog(c, ""); },
         {{"Setup code (dk_...): ", "dk_1\x1b"}}, "false\n"},
        {"a lone Escape without Cancel is ignored", askWithButtons({"OK", "Later"}),
         {{"or type Later: ", "\x1b"}, {"", "\r", Act::TypeAfterPause}}, "1000\n"},
        {"a line typed before the first prompt is dropped", migrateDialog, {{migrate, "\r"}},
         "x\n", typedAhead("d\r")},
        {"a paste answering several prompts is kept",
         [](auto& c) { enroll::showEnrollDialog(c, ""); },
         {{"Setup code (dk_...): ", "dk_1\rme@x.io\r\r"}}, "dk_1\nme@x.io\n"},
        // Nobody answered: no record, lest the parent read the boxes as
        // they stood for a choice. read() tells it under nohup too.
        {"a hang-up under nohup is no answer", migrateDialog, {{migrate, "", Act::HangUp}},
         "lost the terminal\n", ignoring({SIGHUP}), 1},
        {"a hang-up in a field is no answer", [](auto& c) { enroll::showEnrollDialog(c, ""); },
         {{"Setup code (dk_...): ", "dk_1\r"}, {"Work email", "", Act::HangUp}},
         "lost the terminal\n", Setting{}, 1},
        {"a signal the parent ignored stays ignored", migrateDialog,
         {{migrate, "\r", Act::Terminate}}, "x\n", ignoring({SIGTERM})},
        {"ended by a signal, it gives the terminal back", migrateDialog,
         {{migrate, "", Act::Terminate}}, "", Setting{}, 128 + SIGTERM},
        {"a hang-up is no answer",
         [](auto& c) { setup::showClientSetupDialog(c, "auto_install", {"A", "B"}); },
         {{"or type Skip: ", "", Act::HangUp}}, "lost the terminal\n", Setting{}, 1},
        {"stopped and continued, the prompt comes back", migrateDialog,
         {{migrate, "", Act::StopAndContinue}, {migrate, "\r"}}, "x\n"},
    };
    for (const Case& c : cases) {
        const TerminalRun run = runOnTerminal(c.dialog, c.steps, c.setting);
        const bool hungUp = c.steps.back().act == Act::HangUp;
        EXPECT_TRUE(run.allPromptsShown && !run.gaveUp && run.status == c.status &&
                    (run.modeRestored || hungUp) && run.modeRestoredWhileStopped)
            << c.name << "; " << describe(run);
        EXPECT_EQ(run.record, c.record) << c.name << "; " << describe(run);
    }
}

// Lines are wrapped at the terminal's width however narrow it is, counting
// wide characters as two columns.
TEST(TerminalDialog, TextFitsANarrowTerminal) {
    const TerminalRun run = runOnTerminal(
        [](auto& c) { setup::showClientSetupDialog(c, "default", {"日本語のアプリ", "Cursor"}); },
        {{"or type Skip: ", "\r"}}, [] {
            Setting setting;
            setting.columns = 10;
            return setting;
        }());
    EXPECT_EQ(run.record, "configure\nfalse\n日本語のアプリ,Cursor\n") << describe(run);
    const std::string shown = run.screen.substr(0, run.screen.find("Press Enter"));
    std::size_t start = 0;
    for (std::size_t end; (end = shown.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = shown.substr(start, end - start);
        EXPECT_LE(ui::tty::columnsOf(line), 9u) << line << "\n" << describe(run);
    }
    EXPECT_NE(shown.find("日本語の\r\nアプリ"), std::string::npos) << describe(run);
}

// However narrow the terminal, no line of the list is wider than it, the
// boxes' numbers and states included, and a line break inside a name shows
// as one mark on the name's own line while the record keeps it.
TEST(TerminalDialog, EveryLineOfTheListFitsAndNamesKeepTheirLine) {
    const std::string mark = "\xE2\x86\xB5";  // U+21B5
    const std::vector<std::string> names = {"Zed\r\n", "a\vb\u2028c", "Cursor"};
    for (unsigned short columns : {2, 3, 4, 5, 6, 7, 8, 9, 10, 80}) {
        Setting setting;
        setting.columns = columns;
        const TerminalRun run = runOnTerminal(
            [&](auto& c) { setup::showClientSetupDialog(c, "default", names); },
            {{"or type Skip: ", "\r"}}, setting);
        EXPECT_EQ(run.record, "configure\nfalse\nZed\r\n,a\vb\u2028c,Cursor\n") << describe(run);
        const std::string shown = run.screen.substr(0, run.screen.find("Press Enter"));
        std::size_t start = 0;
        for (std::size_t end; (end = shown.find("\r\n", start)) != std::string::npos; start = end + 2) {
            const std::string line = shown.substr(start, end - start);
            EXPECT_LE(ui::tty::columnsOf(line), std::max(columns - 1, 1)) << line << "\n" << describe(run);
        }
        if (columns >= 4) {
            EXPECT_NE(shown.find("[x]"), std::string::npos) << describe(run);
        }
        if (columns == 80) {
            EXPECT_NE(shown.find("  1. [x] Zed" + mark + "\r\n  2. [x] a" + mark + "b" + mark + "c\r\n"),
                      std::string::npos)
                << describe(run);
        }
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
