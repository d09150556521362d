#include "ui/image_header.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace ui {

namespace {

// A JPEG may carry its size after its metadata (a thumbnail, a colour
// profile); further in than this, it is not taken for an icon.
constexpr std::size_t kHeaderBytes = 1 << 20;

std::uint32_t byteAt(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}
std::uint32_t bigEndian16(std::string_view b, std::size_t at) {
    return byteAt(b, at) << 8 | byteAt(b, at + 1);
}
std::uint32_t bigEndian32(std::string_view b, std::size_t at) {
    return bigEndian16(b, at) << 16 | bigEndian16(b, at + 2);
}
std::uint32_t littleEndian16(std::string_view b, std::size_t at) {
    return byteAt(b, at) | byteAt(b, at + 1) << 8;
}
std::uint32_t littleEndian32(std::string_view b, std::size_t at) {
    return littleEndian16(b, at) | littleEndian16(b, at + 2) << 16;
}
// A BMP's width and height are signed: a negative height is drawn top down.
std::uint32_t magnitude(std::uint32_t value) {
    return value & 0x80000000u ? 0u - value : value;
}

std::optional<ImageSize> pngSize(std::string_view b) {
    // The signature, then the IHDR chunk, which must come first.
    if (b.size() < 24 || b.substr(12, 4) != "IHDR") return std::nullopt;
    return ImageSize{bigEndian32(b, 16), bigEndian32(b, 20)};
}

std::optional<ImageSize> gifSize(std::string_view b) {
    if (b.size() < 10) return std::nullopt;
    return ImageSize{littleEndian16(b, 6), littleEndian16(b, 8)};
}

std::optional<ImageSize> bmpSize(std::string_view b) {
    if (b.size() < 26) return std::nullopt;
    if (littleEndian32(b, 14) == 12) {  // the old core header: 16-bit sides
        return ImageSize{littleEndian16(b, 18), littleEndian16(b, 20)};
    }
    return ImageSize{magnitude(littleEndian32(b, 18)), magnitude(littleEndian32(b, 22))};
}

// Walks the segments up to the first start of frame, which holds the size.
std::optional<ImageSize> jpegSize(std::string_view b) {
    std::size_t at = 2;
    while (at + 1 < b.size()) {
        if (byteAt(b, at) != 0xFF) return std::nullopt;
        const std::uint32_t marker = byteAt(b, at + 1);
        at += 2;
        if (marker == 0xFF) {  // a fill byte before the marker
            --at;
            continue;
        }
        // Markers that stand alone, without a length.
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD9 || marker == 0xDA || at + 2 > b.size()) return std::nullopt;
        const std::size_t length = bigEndian16(b, at);
        if (length < 2) return std::nullopt;
        const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                                  marker != 0xC8 && marker != 0xCC;
        if (startOfFrame) {
            if (length < 7 || at + 7 > b.size()) return std::nullopt;
            return ImageSize{bigEndian16(b, at + 5), bigEndian16(b, at + 3)};
        }
        at += length;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ImageSize> imageSizeFromHeader(std::string_view b) {
    if (b.starts_with("\x89PNG\r\n\x1a\n")) return pngSize(b);
    if (b.starts_with("\xFF\xD8")) return jpegSize(b);
    if (b.starts_with("GIF87a") || b.starts_with("GIF89a")) return gifSize(b);
    if (b.starts_with("BM")) return bmpSize(b);
    return std::nullopt;
}

bool isUsableIconFile(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    const std::filesystem::path file(
        std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::string header(kHeaderBytes, '\0');
    in.read(header.data(), static_cast<std::streamsize>(header.size()));
    header.resize(static_cast<std::size_t>(in.gcount()));
    const std::optional<ImageSize> size = imageSizeFromHeader(header);
    // A side of 0 is no image a decoder would draw.
    return size && size->width > 0 && size->height > 0 && size->width <= kLargestIconSide &&
           size->height <= kLargestIconSide;
}

}  // namespace ui
