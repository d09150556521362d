#include "ui/input_guard.h"

namespace ui {

void InputGuard::activated(Clock::time_point now) {
    active_ = true;
    quietSince_ = now;
}

void InputGuard::deactivated() { active_ = false; }

bool InputGuard::holds(Clock::time_point now) const {
    return !active_ || now - quietSince_ < quietTime_;
}

bool InputGuard::keyArrives(Clock::time_point now) {
    if (!holds(now)) return true;
    quietSince_ = now;
    return false;
}

}  // namespace ui
