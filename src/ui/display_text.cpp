#include "ui/display_text.h"

#include "text/utf8.h"

namespace ui {

std::string withoutDirectionControls(std::string_view name) {
    std::string shown;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t start = at;
        const char32_t c = utf8::decodeAt(name, at);
        if ((c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)) {
            shown += "\xEF\xBF\xBD";
        } else {
            shown.append(name.substr(start, at - start));
        }
    }
    return shown;
}

std::string isolatedName(std::string_view name) {
    // U+2068 FIRST STRONG ISOLATE ... U+2069 POP DIRECTIONAL ISOLATE
    return "\xE2\x81\xA8" + withoutDirectionControls(name) + "\xE2\x81\xA9";
}

}  // namespace ui
