#include "ui/display_text.h"

#include "text/utf8.h"

namespace ui {

namespace {

bool isLineBreak(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isDirectionControl(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The name with line breaks marked and, when asked, direction controls
// made U+FFFD.
std::string shownName(std::string_view name, bool directionControls) {
    std::string shown;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t start = at;
        const char32_t c = utf8::decodeAt(name, at);
        if (isLineBreak(c)) {
            // CR LF is one line end, as a file written on Windows has it.
            if (c == '\r' && at < name.size() && name[at] == '\n') ++at;
            shown += kLineBreakMark;
        } else if (directionControls && isDirectionControl(c)) {
            shown += "\xEF\xBF\xBD";
        } else {
            shown.append(name.substr(start, at - start));
        }
    }
    return shown;
}

}  // namespace

std::string withLineBreaksMarked(std::string_view name) { return shownName(name, false); }

std::string withoutDirectionControls(std::string_view name) { return shownName(name, true); }

std::string isolatedName(std::string_view name) {
    // U+2068 FIRST STRONG ISOLATE ... U+2069 POP DIRECTIONAL ISOLATE
    return "\xE2\x81\xA8" + withoutDirectionControls(name) + "\xE2\x81\xA9";
}

}  // namespace ui
