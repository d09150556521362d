// How a backend fits an alert taller than its screen: the accessory view
// scrolls inside the alert, by as much as the alert overflows, so that the
// buttons stay in reach.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "ui/toolkit.h"

namespace ui {

// A few rows stay in view whatever the screen.
inline constexpr double kMinimumScrolledHeight = 120;

// The visible height of an accessory view of contentHeight points inside an
// alert that overflows its screen by `overflow` points.
inline double scrolledAccessoryHeight(double contentHeight, double overflow) {
    return std::max(kMinimumScrolledHeight, contentHeight - overflow);
}

// How many of the frames, taken in reading order, form a list at the top of
// an accessory view: rows of one size at one x, one pitch apart. Only such a
// list scrolls, so that what stands under it (a choice that explains it)
// stays in view with the buttons. Fewer than two rows are no list.
std::size_t leadingRowCount(const std::vector<Rect>& framesInReadingOrder);

}  // namespace ui
