// The plan of what scrolls when an alert is taller than its screen, over a
// table of screens and contents.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/alert/screen_plan.h"

namespace ui::alert {
namespace {

// Rows of a checkbox list: x 0, width 300, height 18, 22 apart, from the
// top of a view `height` tall, topmost first.
std::vector<Rect> list(std::size_t rows, double height) {
    std::vector<Rect> frames;
    for (std::size_t i = 0; i < rows; ++i) frames.push_back({0, height - 18 - 22.0 * i, 300, 18});
    return frames;
}

TEST(AlertPlan, OnlyALeadingListScrollsAndAWholeListScrollsWhole) {
    std::vector<Rect> listThenChoice = list(3, 100);
    listThenChoice.push_back({0, 4, 300, 18});  // the box under the list, 24 below: no row
    std::vector<Rect> listThenNote = list(4, 120);
    listThenNote.push_back({0, 0, 200, 30});  // a note under the list, another size
    const struct {
        const char* name;
        std::vector<Rect> frames;
        double viewHeight;
        Band band;
    } cases[] = {
        {"a list, then a choice under it", listThenChoice, 100, {3, 100 - 38}},
        {"a list, then a note", listThenNote, 120, {4, 120 - 36}},
        {"all list", list(5, 130), 130, {0, 130}},
        {"one row is no list", list(1, 40), 40, {0, 40}},
        {"nothing", {}, 50, {0, 50}},
        {"overlapping rows are no list", {{0, 40, 300, 30}, {0, 20, 300, 30}, {0, 0, 100, 10}}, 70, {0, 70}},
        {"rows at two x are no list", {{0, 40, 300, 18}, {10, 18, 300, 18}, {0, 0, 100, 10}}, 60, {0, 60}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(scrolledBand(c.frames, c.viewHeight), c.band);
    }
}

TEST(AlertPlan, TheTextScrollsFirstThenTheBandAndTheAlertFits) {
    // minimum 120, scroll frames 2: a screen of `available` pixels.
    const struct {
        const char* name;
        double available, fixed, text, band;
        FitPlan plan;
    } cases[] = {
        {"fits: nothing scrolls", 800, 200, 100, 400, {}},
        {"fits exactly", 700, 200, 100, 400, {}},
        {"a tall list alone scrolls by the overflow", 600, 200, 0, 1000, {false, 0, true, 398}},
        {"a tall text alone scrolls", 600, 200, 1000, 0, {true, 398, false, 0}},
        {"a short text stays; the list scrolls", 600, 200, 100, 1000, {false, 0, true, 298}},
        {"a tall text scrolls and the list fits beside it", 600, 200, 1000, 100, {true, 298, false, 0}},
        {"both tall: the list takes half the room", 600, 200, 1000, 1000, {true, 198, true, 198}},
        {"both tall, a short list at its half", 400, 150, 1000, 130, {true, 123, true, 123}},
        {"a small screen keeps the minimum", 300, 200, 1000, 1000, {true, 120, true, 120}},
        {"a band under the minimum never grows", 300, 250, 0, 100, {false, 0, true, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FitInput in;
        in.available = c.available;
        in.fixed = c.fixed;
        in.minimum = 120;
        in.text = {c.text, 2};
        in.band = {c.band, 2};
        const FitPlan plan = fitToScreen(in);
        EXPECT_EQ(plan, c.plan);
        // Whatever can fit does: the alert with its scrolled parts.
        const double height = c.fixed + (plan.textScrolls ? plan.textShown + 2 : c.text) +
                              (plan.bandScrolls ? plan.bandShown + 2 : c.band);
        if (c.fixed + 2 * 120 + 4 <= c.available) {
            EXPECT_LE(height, c.available);
        }
    }
}

TEST(AlertPlan, TextWidthAndWidthShrink) {
    EXPECT_EQ(textWidth(0), kTextWidth);
    EXPECT_EQ(textWidth(500), 500);
    EXPECT_EQ(widthShrink(400, 800), 1);
    EXPECT_EQ(widthShrink(800, 400), 0.5);
    EXPECT_EQ(widthShrink(800, 0), 1);  // no room known: drawn as it is
}

}  // namespace
}  // namespace ui::alert
