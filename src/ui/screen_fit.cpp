#include "ui/screen_fit.h"

namespace ui {

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

}  // namespace ui
