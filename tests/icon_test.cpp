#include "Icon.h"

#include "ScratchDirectory.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

uint32_t read16(const std::string& bytes, size_t at) {
    return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8;
}

uint32_t read32(const std::string& bytes, size_t at) {
    return read16(bytes, at) | read16(bytes, at + 2) << 16;
}

const std::string pngSignature("\x89PNG\r\n\x1a\n", 8);

struct IconImage {
    int side;
    std::string bytes;
};

// The images of an ICO file, after checking that its directory describes them.
std::vector<IconImage> iconImages(const std::string& file) {
    std::vector<IconImage> images;
    EXPECT_EQ(read16(file, 0), 0u);
    EXPECT_EQ(read16(file, 2), 1u) << "an icon, not a cursor";
    const uint32_t count = read16(file, 4);
    size_t expectedOffset = 6 + 16 * count;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * i;
        const int side =
            static_cast<uint8_t>(file[entry]) == 0 ? 256 : static_cast<uint8_t>(file[entry]);
        EXPECT_EQ(file[entry + 1], file[entry]) << "square";
        EXPECT_EQ(read16(file, entry + 6), 32u) << "bits per pixel";
        const uint32_t size = read32(file, entry + 8), offset = read32(file, entry + 12);
        EXPECT_EQ(offset, expectedOffset) << "images one after another";
        EXPECT_LE(offset + size, file.size());
        images.push_back({side, file.substr(offset, size)});
        expectedOffset = offset + size;
    }
    EXPECT_EQ(expectedOffset, file.size()) << "nothing after the last image";
    return images;
}

struct Bgra {
    uint8_t b, g, r, a;
};

// The pixel at (x, y), y counted from the top, of a 32-bit icon bitmap (rows bottom first).
Bgra bitmapPixel(const std::string& image, int side, int x, int y) {
    const size_t at = 40 + (static_cast<size_t>(side - 1 - y) * side + x) * 4;
    return {static_cast<uint8_t>(image[at]), static_cast<uint8_t>(image[at + 1]),
            static_cast<uint8_t>(image[at + 2]), static_cast<uint8_t>(image[at + 3])};
}

// Whether the transparency mask marks (x, y), y counted from the top, as transparent.
bool masked(const std::string& image, int side, int x, int y) {
    const size_t maskStride = (side + 31) / 32 * 4;
    const size_t at =
        40 + static_cast<size_t>(side) * side * 4 + (side - 1 - y) * maskStride + x / 8;
    return (static_cast<uint8_t>(image[at]) & (0x80 >> (x % 8))) != 0;
}

} // namespace

TEST(Icon, WindowsIconHoldsBitmapsUpTo64AndThePngAt256) {
    const std::vector<int> sides{16, 24, 32, 48, 64, 256};
    const std::vector<IconImage> images = iconImages(iconFile(sides));
    ASSERT_EQ(images.size(), sides.size());
    for (size_t i = 0; i < sides.size(); ++i) {
        const int side = sides[i];
        const std::string& image = images[i].bytes;
        EXPECT_EQ(images[i].side, side);
        if (side == 256) {
            EXPECT_EQ(image, iconPng(256)) << "the 256 x 256 image is the hicolor PNG itself";
            continue;
        }
        ASSERT_EQ(read32(image, 0), 40u) << side << ": a BITMAPINFOHEADER";
        EXPECT_EQ(read32(image, 4), static_cast<uint32_t>(side));
        EXPECT_EQ(read32(image, 8), static_cast<uint32_t>(2 * side)) << "colour rows and mask rows";
        EXPECT_EQ(read16(image, 14), 32u);
        const size_t maskStride = (side + 31) / 32 * 4;
        ASSERT_EQ(image.size(), 40 + static_cast<size_t>(side) * side * 4 + maskStride * side);

        // The rounded square's corners are clear and masked; its middle is opaque.
        EXPECT_EQ(bitmapPixel(image, side, 0, 0).a, 0) << side;
        EXPECT_TRUE(masked(image, side, 0, 0)) << side;
        EXPECT_TRUE(masked(image, side, side - 1, side - 1)) << side;
        EXPECT_EQ(bitmapPixel(image, side, side / 2, side / 2).a, 255) << side;
        EXPECT_FALSE(masked(image, side, side / 2, side / 2)) << side;
        // The magenta underline lies below the letter, near the bottom: the rows run bottom first.
        const Bgra underline = bitmapPixel(image, side, side / 2, side * 208 / 256);
        EXPECT_GT(underline.r, underline.g + 60) << side << ": the underline, upright";
        EXPECT_GT(underline.b, underline.g + 60) << side;
        const Bgra mirrored = bitmapPixel(image, side, side / 2, side - 1 - side * 208 / 256);
        EXPECT_FALSE(mirrored.r > mirrored.g + 60 && mirrored.b > mirrored.g + 60) << side;
    }
}

TEST(Icon, EachPngHasItsSize) {
    for (int side : iconPngSizes()) {
        const std::string png = iconPng(side);
        ASSERT_EQ(png.compare(0, 8, pngSignature), 0) << side;
        // IHDR's width and height, big-endian, after the signature and the chunk's header.
        auto bigEndian = [&png](size_t at) {
            return static_cast<uint32_t>(static_cast<uint8_t>(png[at])) << 24 |
                   static_cast<uint8_t>(png[at + 1]) << 16 |
                   static_cast<uint8_t>(png[at + 2]) << 8 | static_cast<uint8_t>(png[at + 3]);
        };
        EXPECT_EQ(bigEndian(16), static_cast<uint32_t>(side));
        EXPECT_EQ(bigEndian(20), static_cast<uint32_t>(side));
    }
}

TEST(Icon, WritingAgainLeavesTheSameFilesUntouchedAndMendsAChangedOne) {
    ScratchDirectory scratch;
    const std::string directory = scratch.path + "/icons";
    ASSERT_TRUE(writeIcons(directory));
    const std::string png = directory + "/48x48.png", ico = directory + "/demo.ico";
    EXPECT_EQ(readTextFile(png), iconPng(48));
    struct stat before, after;
    ASSERT_EQ(stat(ico.c_str(), &before), 0);
    writeTextFile(png, "not a picture");
    ASSERT_TRUE(writeIcons(directory));
    EXPECT_EQ(readTextFile(png), iconPng(48)) << "a changed file is written again";
    ASSERT_EQ(stat(ico.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << "the same bytes are not written";
}
