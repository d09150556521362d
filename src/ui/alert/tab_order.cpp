#include "ui/alert/tab_order.h"

#include <algorithm>
#include <numeric>

namespace ui::alert {

std::vector<std::size_t> readingOrder(const std::vector<Rect>& frames) {
    std::vector<std::size_t> order(frames.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const Rect& fa = frames[a];
        const Rect& fb = frames[b];
        const double topA = fa.y + fa.height, topB = fb.y + fb.height;
        return topA != topB ? topA > topB : fa.x < fb.x;
    });
    return order;
}

std::vector<TabStop> tabOrder(const std::vector<Focus>& controls, std::size_t buttons,
                              bool hasInformativeText, const Capabilities& can) {
    std::vector<TabStop> chain;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const bool takesFocus = controls[i] == Focus::Field ||
                                (can.tabReachesBoxes && controls[i] == Focus::Checkbox) ||
                                (can.tabReachesBoxes && can.lockedBoxInTabOrder &&
                                 controls[i] == Focus::LockedCheckbox);
        if (takesFocus) chain.push_back({TabStop::Kind::Control, i});
    }
    for (std::size_t i = 0; i < buttons; ++i) chain.push_back({TabStop::Kind::Button, i});
    if (can.textsInTabOrder) {
        chain.push_back({TabStop::Kind::MessageText, 0});
        if (hasInformativeText) chain.push_back({TabStop::Kind::InformativeText, 0});
    }
    return chain;
}

}  // namespace ui::alert
