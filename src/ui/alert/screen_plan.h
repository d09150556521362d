// Where the alert's parts go, and what scrolls when the alert is taller than
// the work area of the screen under the pointer (where it opens). The parts
// that can be long scroll in their own places, so that the buttons and what
// explains the list stay in reach: a long informative text first, then the
// accessory view (only its leading rows where it starts with a list).
//
// Heights here are in one unit of the backend's choosing (pixels, points),
// the same for every input; frames of the accessory view are in points.
#pragma once

#include <cstddef>
#include <vector>

#include "ui/toolkit.h"

namespace ui::alert {

// The texts are at least this wide, in points; wider when the accessory
// view is, so that the texts line up with it.
inline constexpr double kTextWidth = 380;
// A scrolled part keeps a few rows in view, in points, whatever the screen.
inline constexpr double kMinimumScrolledHeight = 120;

double textWidth(double accessoryWidth);

// How many of the frames, taken in reading order, form a list at the top of
// an accessory view: rows of one size at one x, one pitch apart. Fewer than
// two rows are no list.
std::size_t leadingRowCount(const std::vector<Rect>& framesInReadingOrder);

// The part of an accessory view that scrolls when it must: its first `rows`
// subviews in reading order, and the band from the view's top down to the
// last of them. rows 0 is the whole view (one that is all list scrolls
// whole, its margins with it).
struct Band {
    std::size_t rows = 0;
    double height = 0;  // points
    friend bool operator==(const Band&, const Band&) = default;
};
Band scrolledBand(const std::vector<Rect>& subviewsInReadingOrder, double viewHeight);

// A part that may scroll.
struct Part {
    double needed = 0;  // its whole height; 0 when there is no such part
    double chrome = 0;  // what a scroll frame adds around it (border)
};

struct FitInput {
    // The height the alert may take: the work area's, less the window frame.
    double available = 0;
    // Everything that never scrolls: the alert less the text and the band.
    double fixed = 0;
    // kMinimumScrolledHeight in the unit of the other heights.
    double minimum = 0;
    // Zero when the text does not scroll on this backend.
    Part text;
    Part band;
};

struct FitPlan {
    bool textScrolls = false;
    double textShown = 0;  // visible height inside its frame
    bool bandScrolls = false;
    double bandShown = 0;
    friend bool operator==(const FitPlan&, const FitPlan&) = default;
};

// Nothing scrolls when the alert fits. Else a text taller than the minimum
// scrolls; the band scrolls too when the alert still overflows with that
// text at its smallest. The room left is shared out: the band first, up to
// half of it when the text scrolls too, then the text. A scrolled part never
// shows less than the minimum (or its whole self, when smaller), so on a
// tiny screen the alert may still overflow rather than show nothing.
FitPlan fitToScreen(const FitInput& input);

// The factor an alert wider than its room is drawn smaller by (fonts and
// all), so that its buttons stay on screen; 1 when it fits.
double widthShrink(double wanted, double room);

}  // namespace ui::alert
