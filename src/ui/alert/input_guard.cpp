#include "ui/alert/input_guard.h"

#include <algorithm>

namespace ui::alert {

void InputGuard::activated(Clock::time_point now) {
    active_ = true;
    quietSince_ = now;
}

void InputGuard::deactivated() {
    active_ = false;
    admitted_.clear();
}

bool InputGuard::holds(Clock::time_point now) const {
    return !active_ || now - quietSince_ < quietTime_;
}

bool InputGuard::drop(Clock::time_point now) {
    quietSince_ = now;
    return false;
}

bool InputGuard::keyArrives(Clock::time_point now, KeyEvent event) {
    const auto found = std::find(admitted_.begin(), admitted_.end(), event.key);
    const bool admitted = found != admitted_.end();
    switch (event.phase) {
        case KeyEvent::Phase::Press:
            if (holds(now)) return drop(now);
            if (!admitted) admitted_.push_back(event.key);
            return true;
        case KeyEvent::Phase::Repeat:
            return admitted && active_ ? true : drop(now);
        case KeyEvent::Phase::Release:
            if (!admitted) return drop(now);
            admitted_.erase(found);
            return true;
    }
    return drop(now);
}

bool InputGuard::keyArrives(Clock::time_point now) { return holds(now) ? drop(now) : true; }

}  // namespace ui::alert
