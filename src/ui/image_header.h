// The pixel size an image file declares in its header, read without
// decoding, so that no backend decodes an icon too large to be one: a PNG of
// 30000 x 30000 pixels is a few dozen bytes of header and gigabytes decoded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

struct ImageSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool operator==(const ImageSize&) const = default;
};

// The largest side an icon file may have. The alert draws its icon at 64
// points, 128 pixels on a 2x screen and 512 at an extreme 8x scale; the
// largest icon images platforms ship are 1024 pixels. 4096 leaves room for
// any of them, and bounds a decoded icon to 64 MiB.
inline constexpr std::uint32_t kLargestIconSide = 4096;

// The size a PNG, JPEG, GIF or BMP declares in the first bytes of its file;
// none when the bytes are none of these, or end before the size.
std::optional<ImageSize> imageSizeFromHeader(std::string_view bytes);

// Whether the file at `path` (UTF-8) may be decoded as the icon: a regular
// file (a pipe or a device would block the read) whose header declares an
// image of a known kind, no side above kLargestIconSide. Reads the header
// only.
bool isUsableIconFile(const std::string& path);

}  // namespace ui
