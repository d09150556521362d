// Keeps keys that were aimed at another window from answering a dialog that
// has just taken the focus. The keyboard counts only once the window has
// been active for a quiet time with no key at all; a key before then is
// dropped and starts the quiet time again, so someone still typing into the
// window they meant never answers the dialog. Clicks never pass through here.
//
// The backends feed it what their toolkit reports, with the time it happened.
#pragma once

#include <chrono>

namespace ui {

class InputGuard {
public:
    using Clock = std::chrono::steady_clock;

    // Half a second. Key gaps in running text are mostly well under it, so
    // a typist does not break through between two keys; and a person who
    // means to answer needs longer than that to see the alert and read its
    // title, so the wait is never felt.
    static constexpr std::chrono::milliseconds kQuietTime{500};

    explicit InputGuard(Clock::duration quietTime = kQuietTime) : quietTime_(quietTime) {}

    // The window became active (again): the quiet time starts.
    void activated(Clock::time_point now);
    // The window lost the focus: nothing counts until it is active again.
    void deactivated();
    // A key (press, release, or text from an input method) reached the
    // window. True when it may act; false when it is dropped.
    bool keyArrives(Clock::time_point now);
    // Whether a key at `now` would be dropped.
    bool holds(Clock::time_point now) const;

private:
    Clock::duration quietTime_;
    bool active_ = false;
    Clock::time_point quietSince_{};
};

}  // namespace ui
