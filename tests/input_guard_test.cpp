#include "ui/alert/input_guard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui::alert {
namespace {

using std::chrono::milliseconds;
using Phase = KeyEvent::Phase;

// What happens to the window, at a time in milliseconds from the start.
struct Step {
    enum Kind { Activate, Deactivate, Key, Text } kind;
    int at;
    bool acts = false;  // for a key or text: whether it may act
    Phase phase = Phase::Press;
    std::uint32_t key = 36;
};

struct Case {
    std::string what;
    std::vector<Step> steps;
};

void play(const Case& c) {
    InputGuard guard;
    const InputGuard::Clock::time_point start{};
    for (const Step& step : c.steps) {
        const auto now = start + milliseconds(step.at);
        switch (step.kind) {
            case Step::Activate: guard.activated(now); break;
            case Step::Deactivate: guard.deactivated(); break;
            case Step::Key:
                EXPECT_EQ(guard.keyArrives(now, {step.key, step.phase}), step.acts)
                    << c.what << ", at " << step.at;
                break;
            case Step::Text:
                EXPECT_EQ(guard.keyArrives(now), step.acts) << c.what << ", at " << step.at;
                break;
        }
    }
}

TEST(InputGuard, KeysCountOnlyAfterAQuietActiveTime) {
    const Case cases[] = {
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
        {"text with no key acts only once the guard lets go",
         {{Step::Activate, 0}, {Step::Text, 100}, {Step::Text, 550}, {Step::Text, 1100, true}}},
    };
    for (const Case& c : cases) play(c);
}

// A held key sends its press, then nothing until its first repeat (600 ms
// or more), then repeats, then its release. Only a press after the quiet
// time may bring any of them through.
TEST(InputGuard, AHeldKeyCountsOnlyWhenPressedAfterTheQuietTime) {
    const Case cases[] = {
        {"pressed during the quiet time and held past it",
         {{Step::Activate, 0},
          {Step::Key, 300, false, Phase::Press},
          {Step::Key, 960, false, Phase::Repeat},
          {Step::Key, 1000, false, Phase::Repeat},
          {Step::Key, 2300, false, Phase::Release},
          {Step::Key, 2900, true, Phase::Press}}},
        {"down before the window showed: repeats and release only",
         {{Step::Activate, 0},
          {Step::Key, 700, false, Phase::Repeat},
          {Step::Key, 1400, false, Phase::Release},
          {Step::Key, 1800, false, Phase::Press},
          {Step::Key, 2400, true, Phase::Press}}},
        {"released after the quiet time without a press",
         {{Step::Activate, 0}, {Step::Key, 900, false, Phase::Release},
          {Step::Key, 1200, false, Phase::Press}}},
        {"pressed after the quiet time: its repeats and release act",
         {{Step::Activate, 0},
          {Step::Key, 600, true, Phase::Press},
          {Step::Key, 1260, true, Phase::Repeat},
          {Step::Key, 1300, true, Phase::Repeat},
          {Step::Key, 1500, true, Phase::Release},
          {Step::Key, 1600, false, Phase::Repeat}}},
        {"an admitted key does not let another held key through",
         {{Step::Activate, 0},
          {Step::Key, 200, false, Phase::Press, 9},
          {Step::Key, 900, true, Phase::Press, 36},
          {Step::Key, 950, false, Phase::Repeat, 9},
          {Step::Key, 1000, true, Phase::Repeat, 36},
          {Step::Key, 1100, false, Phase::Release, 9},
          {Step::Key, 1200, true, Phase::Release, 36}}},
        {"a key held across losing the focus no longer counts",
         {{Step::Activate, 0},
          {Step::Key, 600, true, Phase::Press},
          {Step::Deactivate, 700},
          {Step::Activate, 800},
          {Step::Key, 1400, false, Phase::Repeat},
          {Step::Key, 1500, false, Phase::Release}}},
        {"a repeat before the window was ever active",
         {{Step::Key, 0, false, Phase::Press}, {Step::Key, 600, false, Phase::Repeat}}},
    };
    for (const Case& c : cases) play(c);
}

}  // namespace
}  // namespace ui::alert
