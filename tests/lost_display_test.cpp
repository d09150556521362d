#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "ui/quiet_output.h"

namespace ui {
namespace {

constexpr const char* kLine = "^setup-dialog: lost the display before an answer\n$";

// A toolkit that loses its display ends the process itself, with whatever
// status it likes: while a report lives, that is one line and status 1.
TEST(LostDisplayReport, AnExitWhileTheToolkitRunsIsReportedInOneLine) {
    for (int toolkitStatus : {0, 1, 255}) {
        EXPECT_EXIT(
            {
                const LostDisplayReport report(STDERR_FILENO);
                std::exit(toolkitStatus);
            },
            ::testing::ExitedWithCode(1), kLine)
            << "toolkit status " << toolkitStatus;
        EXPECT_EXIT(
            {
                const LostDisplayReport report(STDERR_FILENO);
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
            { const LostDisplayReport report(STDERR_FILENO); }
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
    EXPECT_EXIT(
        {
            const WindowDeadline deadline(STDERR_FILENO, milliseconds(50));
            std::this_thread::sleep_for(std::chrono::seconds(5));
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), kNoWindow);
    EXPECT_EXIT(
        {
            const WindowDeadline deadline(STDERR_FILENO, std::chrono::seconds(10));
            WindowDeadline::windowCannotAppear();
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), kNoWindow);
    EXPECT_EXIT(
        {
            {
                const WindowDeadline deadline(STDERR_FILENO, milliseconds(300));
                WindowDeadline::windowShown();
                std::this_thread::sleep_for(milliseconds(600));
            }
            {
                const WindowDeadline ended(STDERR_FILENO, milliseconds(300));
            }
            WindowDeadline::windowCannotAppear();
            std::this_thread::sleep_for(milliseconds(600));
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "^$");
}

}  // namespace
}  // namespace ui
