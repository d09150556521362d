#include "text/utf8.h"

namespace utf8 {

std::size_t declaredLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

std::size_t partLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    const std::size_t length = declaredLength(lead);
    if (length <= 1) return 1;
    // The second byte's range shuts out overlong forms, surrogates and
    // anything past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    std::size_t part = 1;
    if (text.size() - at < 2 || byte(1) < low || byte(1) > high) return part;
    for (part = 2; part < length && at + part < text.size(); ++part) {
        if ((byte(part) & 0xC0) != 0x80) break;
    }
    return part;
}

std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const std::size_t length = declaredLength(static_cast<unsigned char>(text[at]));
    return length != 0 && partLength(text, at) == length ? length : 0;
}

char32_t decodeAt(std::string_view text, std::size_t& at) {
    const std::size_t length = sequenceLength(text, at);
    if (length == 0) {
        ++at;
        return kNotACodePoint;
    }
    const auto lead = static_cast<unsigned char>(text[at]);
    static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t value = lead & kLeadBits[length];
    for (std::size_t i = 1; i < length; ++i) {
        value = (value << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    }
    at += length;
    return value;
}

bool isValid(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = sequenceLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = sequenceLength(text, at);
        if (length == 0) {
            out += u'\uFFFD';
            at += partLength(text, at);
            continue;
        }
        char32_t c = decodeAt(text, at);
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        }
    }
    return out;
}

std::string fromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    const auto put = [&out](char32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            return;
        }
        const int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        static constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(kLead[tail] | (c >> (6 * tail)));
        for (int i = tail - 1; i >= 0; --i) out += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            put(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            put(unit);  // a lone surrogate stays itself, and so stays invalid
        }
    }
    return out;
}

}  // namespace utf8
