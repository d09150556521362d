// How a backend fits an alert taller than its screen: the accessory view
// scrolls inside the alert, by as much as the alert overflows, so that the
// buttons stay in reach.
#pragma once

#include <algorithm>

namespace ui {

// A few rows stay in view whatever the screen.
inline constexpr double kMinimumScrolledHeight = 120;

// The visible height of an accessory view of contentHeight points inside an
// alert that overflows its screen by `overflow` points.
inline double scrolledAccessoryHeight(double contentHeight, double overflow) {
    return std::max(kMinimumScrolledHeight, contentHeight - overflow);
}

}  // namespace ui
