// The order a reader and the Tab key take an alert's parts in.
#pragma once

#include <cstddef>
#include <vector>

#include "ui/alert/capabilities.h"
#include "ui/toolkit.h"

namespace ui::alert {

// The indexes of the frames (all in one view's coordinates, y upward) in
// the order a reader takes them: top edge down, then left to right; frames
// level with each other keep their given order.
std::vector<std::size_t> readingOrder(const std::vector<Rect>& frames);

// What an accessory control is to the keyboard.
enum class Focus { None, Field, Checkbox, LockedCheckbox };

struct TabStop {
    enum class Kind { Control, Button, MessageText, InformativeText };
    Kind kind = Kind::Control;
    // The control's place in the list given, or the button's index.
    std::size_t index = 0;
    friend bool operator==(const TabStop&, const TabStop&) = default;
};

// The Tab chain: the accessory's controls that take the focus, in reading
// order, then the buttons from the first, then (where the backend lets them
// take the focus) the texts.
std::vector<TabStop> tabOrder(const std::vector<Focus>& controlsInReadingOrder, std::size_t buttons,
                              bool hasInformativeText, const Capabilities& can);

}  // namespace ui::alert
