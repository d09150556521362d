#include "ui/image_header.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace ui {
namespace {

std::string be32(std::uint32_t v) {
    return {char(v >> 24), char(v >> 16 & 0xFF), char(v >> 8 & 0xFF), char(v & 0xFF)};
}
std::string le16(std::uint32_t v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }
std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// What a decoder reads first: the signature and the IHDR chunk's sizes.
std::string png(std::uint32_t width, std::uint32_t height) {
    return std::string("\x89PNG\r\n\x1a\n", 8) + be32(13) + "IHDR" + be32(width) + be32(height) +
           std::string("\x08\x06\0\0\0", 5) + be32(0);
}
std::string gif(std::uint32_t width, std::uint32_t height) {
    return "GIF89a" + le16(width) + le16(height) + std::string("\0\0\0", 3);
}
std::string bmp(std::uint32_t headerSize, std::uint32_t width, std::uint32_t height) {
    const std::string sides = headerSize == 12 ? le16(width) + le16(height) : le32(width) + le32(height);
    return "BM" + le32(0) + le32(0) + le32(54) + le32(headerSize) + sides + std::string(8, '\0');
}
// A start of image, an APP0 segment to walk past, then a start of frame.
std::string jpeg(std::uint32_t width, std::uint32_t height, char frame = '\xC0') {
    const std::string app0 = std::string("\xFF\xE0", 2) + char(0) + char(16) + std::string(14, 'j');
    const std::string sof = std::string("\xFF", 1) + frame + char(0) + char(17) + char(8) +
                            char(height >> 8) + char(height & 0xFF) + char(width >> 8) +
                            char(width & 0xFF) + std::string(12, '\0');
    return std::string("\xFF\xD8", 2) + app0 + std::string("\xFF", 1) + sof;
}

TEST(ImageHeader, ReadsTheDeclaredSizeOfEachKindWithoutDecoding) {
    using Size = std::optional<ImageSize>;
    struct Case {
        const char* name;
        std::string bytes;
        Size size;
    } cases[] = {
        {"png", png(64, 48), ImageSize{64, 48}},
        {"huge png", png(30000, 30000), ImageSize{30000, 30000}},
        {"widest png", png(0x7FFFFFFF, 1), ImageSize{0x7FFFFFFF, 1}},
        {"png cut short", png(64, 64).substr(0, 23), std::nullopt},
        {"png not starting with IHDR", png(64, 64).replace(12, 4, "IDAT"), std::nullopt},
        {"gif", gif(65535, 2), ImageSize{65535, 2}},
        {"bmp", bmp(40, 5000, 3), ImageSize{5000, 3}},
        {"bmp drawn top down", bmp(40, 16, 0u - 20000u), ImageSize{16, 20000}},
        {"bmp with a core header", bmp(12, 300, 200), ImageSize{300, 200}},
        {"jpeg", jpeg(640, 480), ImageSize{640, 480}},
        {"progressive jpeg", jpeg(65000, 65000, '\xC2'), ImageSize{65000, 65000}},
        {"jpeg cut before its frame", jpeg(64, 64).substr(0, 24), std::nullopt},
        {"jpeg without a frame", std::string("\xFF\xD8\xFF\xD9", 4), std::nullopt},
        {"empty", "", std::nullopt},
        {"text", "<svg width='99999'/>", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(imageSizeFromHeader(c.bytes), c.size) << c.name;
}

class IconFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/icon-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string dir_;
};

// Only a regular file whose header declares an icon-sized image is decoded;
// a pipe is refused without being opened (its read would block).
TEST_F(IconFile, OnlyARegularFileOfAnIconsSizeIsDecoded) {
    struct Case {
        const char* name;
        std::string bytes;
        bool usable;
    } cases[] = {
        {"small.png", png(64, 64), true},
        {"largest.png", png(4096, 4096), true},
        {"too wide.png", png(4097, 16), false},
        {"too tall.png", png(16, 4097), false},
        {"huge.png", png(30000, 30000), false},
        {"empty sides.png", png(0, 64), false},
        {"photo.png", jpeg(1024, 768), true},
        {"huge jpeg.png", jpeg(65000, 65000), false},
        {"anim.png", gif(40000, 40000), false},
        {"unknown.png", "not an image at all", false},
        {"empty.png", "", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isUsableIconFile(write(c.name, c.bytes)), c.usable) << c.name;
    EXPECT_FALSE(isUsableIconFile(dir_ + "/missing.png"));
    EXPECT_FALSE(isUsableIconFile(dir_));
    EXPECT_FALSE(isUsableIconFile(""));
    ASSERT_EQ(mkfifo((dir_ + "/fifo.png").c_str(), 0600), 0);
    EXPECT_FALSE(isUsableIconFile(dir_ + "/fifo.png"));
    // The file system's names are bytes; UTF-8 ones are taken as such.
    EXPECT_TRUE(isUsableIconFile(write("ícono.png", png(32, 32))));
}

}  // namespace
}  // namespace ui
