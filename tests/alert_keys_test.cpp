// The alert's buttons and keys, and the order Tab takes its parts in, as
// every backend must follow them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/alert/alert_model.h"
#include "ui/alert/tab_order.h"

namespace ui::alert {
namespace {

using Buttons = std::vector<std::string>;

TEST(AlertKeys, EachEndingAnswersByTheButtonsRoles) {
    const struct {
        Buttons buttons;
        Ending ending;
        std::optional<long> answer;
    } cases[] = {
        {{"Configure", "Skip"}, Ending::Return, 1000},
        {{"Retry", "Skip", "Cancel"}, Ending::Return, 1000},
        {{"Retry", "Skip", "Cancel"}, Ending::Escape, 1002},
        {{"Migrate", "Cancel"}, Ending::Escape, 1001},
        // Only the exact title answers Escape; the first one of two.
        {{"Configure", "Skip"}, Ending::Escape, std::nullopt},
        {{"OK", "cancel", "Cancel "}, Ending::Escape, std::nullopt},
        {{"OK", "Cancel", "Cancel"}, Ending::Escape, 1001},
        // A lone "Cancel" is the default and the way out at once.
        {{"Cancel"}, Ending::Escape, 1000},
        {{}, Ending::Return, std::nullopt},
        {{}, Ending::Escape, std::nullopt},
        // Closing the window answers with no button, whatever the buttons.
        {{"OK"}, Ending::WindowClosed, 0},
        {{"Retry", "Skip", "Cancel"}, Ending::WindowClosed, 0},
        {{}, Ending::WindowClosed, 0},
    };
    for (const auto& c : cases) {
        AlertModel model;
        model.buttons = c.buttons;
        SCOPED_TRACE(testing::PrintToString(c.buttons) + " ending " +
                     std::to_string(static_cast<int>(c.ending)));
        EXPECT_EQ(model.answerFor(c.ending), c.answer);
    }
}

TEST(AlertKeys, RolesStockSignsAndFieldNames) {
    AlertModel model;
    model.buttons = {"Retry", "Cancel", "Skip"};
    EXPECT_EQ(model.roleOf(0), ButtonRole::Default);
    EXPECT_EQ(model.roleOf(1), ButtonRole::Cancel);
    EXPECT_EQ(model.roleOf(2), ButtonRole::Plain);
    EXPECT_EQ(stockSignName(kAlertStyleInformational), "Information");
    EXPECT_EQ(stockSignName(kAlertStyleWarning), "Warning");
    EXPECT_EQ(fieldName(std::string("Setup code"), "dk_..."), "Setup code");
    EXPECT_EQ(fieldName(std::nullopt, "you@company.com"), "you@company.com");
}

TEST(AlertTabOrder, ReadingOrderRunsTopDownThenLeftToRight) {
    // y grows upward: the highest top edge reads first.
    const std::vector<Rect> frames = {
        {0, 0, 100, 20},    // bottom row
        {120, 40, 50, 20},  // top row, right
        {0, 40, 100, 20},   // top row, left
        {-10, 30, 100, 30},  // taller, its top level with the top row, left of it
        {0, 0, 100, 20},    // level with the first: keeps its place after it
    };
    EXPECT_EQ(readingOrder(frames), (std::vector<std::size_t>{3, 2, 1, 0, 4}));
}

TEST(AlertTabOrder, ChainsTheControlsTheBackendCanFocusThenButtonsThenTexts) {
    const std::vector<Focus> controls = {Focus::Checkbox, Focus::LockedCheckbox, Focus::None,
                                         Focus::Field};
    using K = TabStop::Kind;
    const Capabilities everything{.tabReachesBoxes = true, .lockedBoxInTabOrder = true,
                                  .textsInTabOrder = true};
    const Capabilities fieldsOnly{};
    const Capabilities unlockedBoxes{.tabReachesBoxes = true};
    const struct {
        const char* name;
        Capabilities can;
        bool informative;
        std::vector<TabStop> chain;
    } cases[] = {
        {"every control, the texts last", everything, true,
         {{K::Control, 0}, {K::Control, 1}, {K::Control, 3}, {K::Button, 0}, {K::Button, 1},
          {K::MessageText, 0}, {K::InformativeText, 0}}},
        {"no informative text", everything, false,
         {{K::Control, 0}, {K::Control, 1}, {K::Control, 3}, {K::Button, 0}, {K::Button, 1},
          {K::MessageText, 0}}},
        {"fields then buttons", fieldsOnly, true, {{K::Control, 3}, {K::Button, 0}, {K::Button, 1}}},
        {"a locked box left out", unlockedBoxes, true,
         {{K::Control, 0}, {K::Control, 3}, {K::Button, 0}, {K::Button, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tabOrder(controls, 2, c.informative, c.can), c.chain);
    }
}

}  // namespace
}  // namespace ui::alert
