// Text from the parent as a window shows it.
#pragma once

#include <string>
#include <string_view>

namespace ui {

// U+21B5, the one mark a line break inside a name is shown as.
inline constexpr std::string_view kLineBreakMark = "\xE2\x86\xB5";

// A name on one line: each line break inside it (LF, CR, VT, FF, NEL,
// U+2028, U+2029, and CR LF as one) becomes kLineBreakMark, so that a row
// shows one name and no name can pass for two. All else is kept.
std::string withLineBreaksMarked(std::string_view name);

// A name as shown: on one line (see withLineBreaksMarked), with the
// embedding, override and isolate controls inside it (U+202A to U+202E,
// U+2066 to U+2069) made U+FFFD, so that a name cannot reorder its own
// letters, and the whole between U+2068 and U+2069, isolated in the
// direction of its first strong letter, so that it cannot reorder what
// stands around it. Only what is shown changes; the record and the name a
// screen reader reads keep the bytes.
std::string isolatedName(std::string_view name);

// The same name on one line with its direction controls made U+FFFD, not
// isolated: for a control that shows the name alone, where nothing stands
// around it to be reordered, and whose toolkit draws the isolate marks as
// boxes.
std::string withoutDirectionControls(std::string_view name);

}  // namespace ui
