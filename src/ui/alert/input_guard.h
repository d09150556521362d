// Keeps keys that were aimed at another window from answering a dialog that
// has just taken the focus. The keyboard counts only once the window has
// been active for a quiet time with no key at all; a key before then is
// dropped and starts the quiet time again, so someone still typing into the
// window they meant never answers the dialog. Clicks never pass through here.
//
// A key is followed from its press to its release: a held key sends nothing
// between its press and its first repeat (more than half a second on most
// desktops), so its repeats and its release must not count as fresh keys.
// Only a press after the quiet time admits a key; its repeats and its release
// then act too, and the release ends the admission. A repeat or a release of
// a key that went down during the quiet time, or before the window showed,
// is dropped and starts the quiet time again.
//
// The backends feed it what their toolkit reports, with the time it happened.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace ui::alert {

struct KeyEvent {
    enum class Phase { Press, Repeat, Release };
    // Any number that tells the keys of one keyboard apart (a scan code,
    // or the toolkit's key code), the same from press to release.
    std::uint32_t key = 0;
    Phase phase = Phase::Press;
};

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
    // The window lost the focus: nothing counts until it is active again,
    // and a key held across the change is no longer admitted.
    void deactivated();
    // A key event reached the window. True when it may act; false when it
    // is dropped.
    bool keyArrives(Clock::time_point now, KeyEvent event);
    // Input that belongs to no key the toolkit names (an input method's
    // committed text, a shortcut fired): it acts only while the guard does
    // not hold.
    bool keyArrives(Clock::time_point now);
    // Whether a fresh press at `now` would be dropped.
    bool holds(Clock::time_point now) const;

private:
    bool drop(Clock::time_point now);

    Clock::duration quietTime_;
    bool active_ = false;
    Clock::time_point quietSince_{};
    std::vector<std::uint32_t> admitted_;  // keys down since an admitted press
};

}  // namespace ui::alert
