#include <gtest/gtest.h>

#include <cstdlib>
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

}  // namespace
}  // namespace ui
