#include "ui/alert/screen_plan.h"

#include <algorithm>

namespace ui::alert {

double textWidth(double accessoryWidth) { return std::max(kTextWidth, accessoryWidth); }

std::size_t leadingRowCount(const std::vector<Rect>& frames) {
    if (frames.size() < 2) return 0;
    const Rect& first = frames[0];
    const double pitch = first.y - frames[1].y;
    if (pitch < first.height) return 0;  // overlapping rows are no list
    std::size_t count = 1;
    while (count < frames.size()) {
        const Rect& row = frames[count];
        const Rect& above = frames[count - 1];
        if (row.x != first.x || row.width != first.width || row.height != first.height ||
            above.y - row.y != pitch) {
            break;
        }
        ++count;
    }
    return count >= 2 ? count : 0;
}

Band scrolledBand(const std::vector<Rect>& subviews, double viewHeight) {
    const std::size_t rows = leadingRowCount(subviews);
    if (rows == 0 || rows == subviews.size()) return {0, viewHeight};
    return {rows, viewHeight - subviews[rows - 1].y};
}

FitPlan fitToScreen(const FitInput& in) {
    FitPlan plan;
    if (in.fixed + in.text.needed + in.band.needed <= in.available) return plan;
    const auto smallest = [&](const Part& part) { return std::min(in.minimum, part.needed); };

    plan.textScrolls = in.text.needed > in.minimum;
    const double textAtSmallest =
        plan.textScrolls ? smallest(in.text) + in.text.chrome : in.text.needed;
    plan.bandScrolls = in.band.needed > 0 &&
                       (!plan.textScrolls || in.fixed + textAtSmallest + in.band.needed > in.available);
    if (!plan.textScrolls && !plan.bandScrolls) return plan;

    // The room the scrolled parts share, inside their frames.
    double room = in.available - in.fixed;
    room -= plan.textScrolls ? in.text.chrome : in.text.needed;
    room -= plan.bandScrolls ? in.band.chrome : in.band.needed;
    if (plan.bandScrolls) {
        const double share = plan.textScrolls ? std::max(in.minimum, room / 2) : room;
        plan.bandShown = std::clamp(share, smallest(in.band), in.band.needed);
        room -= plan.bandShown;
    }
    if (plan.textScrolls) plan.textShown = std::clamp(room, smallest(in.text), in.text.needed);
    return plan;
}

double widthShrink(double wanted, double room) {
    if (room <= 0 || wanted <= room) return 1;
    return room / wanted;
}

}  // namespace ui::alert
