#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "cli/manners.h"
#include "ui/quiet_output.h"

namespace ui {
namespace {

// The program's host: its lines go to standard error.
ToolkitHost programHost() {
    ToolkitHost host;
    host.endRun = [](EarlyEnd why) { cli::endRunEarly(STDERR_FILENO, why); };
    return host;
}

// Each way a run ends early is one line and status 1, whatever the
// exit handlers would have done.
TEST(EarlyEnd, EachWayIsOneLineAndStatusOne) {
    struct Case {
        EarlyEnd why;
        const char* line;
    } cases[] = {
        {EarlyEnd::DisplayLost, "^setup-dialog: lost the display before an answer\n$"},
        {EarlyEnd::WindowNeverAppeared,
         "^setup-dialog: no display: cannot show the dialog \\(the window did not appear\\)\n$"},
        {EarlyEnd::TerminalLost, "^setup-dialog: lost the terminal before an answer\n$"},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(
            {
                std::atexit([] { std::_Exit(7); });
                programHost().endRun(c.why);
            },
            ::testing::ExitedWithCode(1), c.line);
    }
}

constexpr const char* kLine = "^setup-dialog: lost the display before an answer\n$";

// A toolkit that loses its display ends the process itself, with whatever
// status it likes: while a report lives, that is one line and status 1.
TEST(LostDisplayReport, AnExitWhileTheToolkitRunsIsReportedInOneLine) {
    for (int toolkitStatus : {0, 1, 255}) {
        EXPECT_EXIT(
            {
                const ToolkitHost host = programHost();
                const LostDisplayReport report(host);
                std::exit(toolkitStatus);
            },
            ::testing::ExitedWithCode(1), kLine)
            << "toolkit status " << toolkitStatus;
        EXPECT_EXIT(
            {
                const ToolkitHost host = programHost();
                const LostDisplayReport report(host);
                LostDisplayReport::displayWentAway();
                _exit(toolkitStatus);
            },
            ::testing::ExitedWithCode(1), kLine)
            << "told before _exit " << toolkitStatus;
    }
}

TEST(LostDisplayReport, ExitsOutsideItAreLeftAlone) {
    EXPECT_EXIT(
        {
            const ToolkitHost host = programHost();
            { const LostDisplayReport report(host); }
            LostDisplayReport::displayWentAway();
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "^$");
}

// A window that never appears ends the run in one line; one that does, or
// a run that ends first, leaves the run alone.
TEST(WindowDeadline, AWindowThatNeverAppearsEndsTheRunInOneLine) {
    using std::chrono::milliseconds;
    constexpr const char* kNoWindow =
        "^setup-dialog: no display: cannot show the dialog \\(the window did not appear\\)\n$";
    const ToolkitHost host = programHost();
    EXPECT_EXIT(
        {
            const WindowDeadline deadline(host, milliseconds(50));
            std::this_thread::sleep_for(std::chrono::seconds(5));
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), kNoWindow);
    EXPECT_EXIT(
        {
            const WindowDeadline deadline(host, std::chrono::seconds(10));
            WindowDeadline::windowCannotAppear();
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), kNoWindow);
    EXPECT_EXIT(
        {
            {
                const WindowDeadline deadline(host, milliseconds(300));
                WindowDeadline::windowShown();
                std::this_thread::sleep_for(milliseconds(600));
            }
            {
                const WindowDeadline ended(host, milliseconds(300));
            }
            WindowDeadline::windowCannotAppear();
            std::this_thread::sleep_for(milliseconds(600));
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "^$");
}

}  // namespace
}  // namespace ui
