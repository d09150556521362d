#include "ui/input_guard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

using std::chrono::milliseconds;

// What happens to the window, at a time in milliseconds from the start.
struct Step {
    enum Kind { Activate, Deactivate, Key } kind;
    int at;
    bool acts = false;  // for a key: whether it may act
};

TEST(InputGuard, KeysCountOnlyAfterAQuietActiveTime) {
    const struct Case {
        std::string what;
        std::vector<Step> steps;
    } cases[] = {
        {"a key before the window was ever active", {{Step::Key, 0}, {Step::Key, 5000}}},
        {"keys during the quiet time, then after it",
         {{Step::Activate, 0}, {Step::Key, 1}, {Step::Key, 499}, {Step::Key, 999, true},
          {Step::Key, 1000, true}}},
        {"the quiet time ends at exactly its length",
         {{Step::Activate, 100}, {Step::Key, 599}, {Step::Key, 1099, true}}},
        {"a typist who never pauses long enough",
         {{Step::Activate, 0}, {Step::Key, 400}, {Step::Key, 800}, {Step::Key, 1200},
          {Step::Key, 1600}, {Step::Key, 2000}, {Step::Key, 2600, true}}},
        {"a key long after activation acts at once", {{Step::Activate, 0}, {Step::Key, 2000, true}}},
        {"losing the focus holds the keys until the next activation",
         {{Step::Activate, 0}, {Step::Key, 600, true}, {Step::Deactivate, 700},
          {Step::Key, 2000}, {Step::Activate, 3000}, {Step::Key, 3100}, {Step::Key, 3700, true}}},
        {"activation restarts the quiet time",
         {{Step::Activate, 0}, {Step::Activate, 400}, {Step::Key, 600}}},
    };
    for (const Case& c : cases) {
        InputGuard guard;
        const InputGuard::Clock::time_point start{};
        for (const Step& step : c.steps) {
            const auto now = start + milliseconds(step.at);
            switch (step.kind) {
                case Step::Activate: guard.activated(now); break;
                case Step::Deactivate: guard.deactivated(); break;
                case Step::Key:
                    EXPECT_EQ(guard.holds(now), !step.acts) << c.what << ", at " << step.at;
                    EXPECT_EQ(guard.keyArrives(now), step.acts) << c.what << ", at " << step.at;
                    break;
            }
        }
    }
}

}  // namespace
}  // namespace ui
