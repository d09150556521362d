// Text from the parent as a window shows it.
#pragma once

#include <string>
#include <string_view>

namespace ui {

// A name as shown: the embedding, override and isolate controls inside it
// (U+202A to U+202E, U+2066 to U+2069) become U+FFFD, so that a name cannot
// reorder its own letters, and the whole stands between U+2068 and U+2069,
// isolated in the direction of its first strong letter, so that it cannot
// reorder what stands around it. Only what is shown changes; the record
// keeps the bytes.
std::string isolatedName(std::string_view name);

// The same name with its direction controls made U+FFFD, not isolated: for
// a control that shows the name alone, where nothing stands around it to be
// reordered, and whose toolkit draws the isolate marks as boxes.
std::string withoutDirectionControls(std::string_view name);

}  // namespace ui
