#include "Yuv420.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

const int width = 1024, height = 768;

// The conversion as its formulas say, in double precision.
std::vector<uint8_t> referenceYuv420(const std::vector<uint8_t>& rgb, int w, int h) {
    std::vector<uint8_t> yuv(yuv420Bytes(w, h));
    auto code = [](double value) {
        return static_cast<uint8_t>(std::clamp(std::floor(value + 0.5), 0.0, 255.0));
    };
    auto at = [&](int x, int y, int c) {
        return rgb[(static_cast<size_t>(y) * w + std::clamp(x, 0, w - 1)) * 3 + c] / 255.0;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            yuv[static_cast<size_t>(y) * w + x] =
                code(16.0 + 65.481 * at(x, y, 0) + 128.553 * at(x, y, 1) + 24.966 * at(x, y, 2));
    uint8_t* u = yuv.data() + static_cast<size_t>(w) * h;
    uint8_t* v = u + static_cast<size_t>(w / 2) * (h / 2);
    for (int cy = 0; cy < h / 2; ++cy) {
        for (int cx = 0; cx < w / 2; ++cx) {
            double mean[3] = {0, 0, 0};
            for (int dy = 0; dy < 2; ++dy)
                for (int c = 0; c < 3; ++c)
                    mean[c] += 0.5 * (0.25 * at(2 * cx - 1, 2 * cy + dy, c) +
                                      0.5 * at(2 * cx, 2 * cy + dy, c) +
                                      0.25 * at(2 * cx + 1, 2 * cy + dy, c));
            const size_t i = static_cast<size_t>(cy) * (w / 2) + cx;
            u[i] = code(128.0 - 37.797 * mean[0] - 74.203 * mean[1] + 112.0 * mean[2]);
            v[i] = code(128.0 + 112.0 * mean[0] - 93.786 * mean[1] - 18.214 * mean[2]);
        }
    }
    return yuv;
}

void put(std::vector<uint8_t>& rgb, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

// From the top: blocks of the primaries, secondaries, black and white; a grey ramp; a smooth
// gradient; and at the bottom one red column in every four, which tells the chroma siting.
std::vector<uint8_t> testPicture() {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    const uint8_t blocks[8][3] = {{0, 0, 0},   {255, 255, 255}, {255, 0, 0},   {0, 255, 0},
                                  {0, 0, 255}, {0, 255, 255},   {255, 0, 255}, {255, 255, 0}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (y < 64) {
                const uint8_t* c = blocks[x / 128];
                put(rgb, x, y, c[0], c[1], c[2]);
            } else if (y < 128) {
                const auto grey = static_cast<uint8_t>(x / 4);
                put(rgb, x, y, grey, grey, grey);
            } else if (y < 704) {
                put(rgb, x, y, static_cast<uint8_t>(x * 255 / 1023),
                    static_cast<uint8_t>((y - 128) * 255 / 575),
                    static_cast<uint8_t>((x + y) % 256));
            } else {
                put(rgb, x, y, x % 4 == 1 ? 255 : 0, 0, 0);
            }
        }
    }
    return rgb;
}

struct Planes {
    const uint8_t* y;
    const uint8_t* u;
    const uint8_t* v;
    explicit Planes(const std::vector<uint8_t>& yuv)
        : y(yuv.data()), u(y + width * height), v(u + width * height / 4) {}
    int chromaIndex(int x, int y) const { return (y / 2) * (width / 2) + x / 2; }
};

} // namespace

TEST(Yuv420, TheCapturesConversionMatchesTheReferenceWithinOneCode) {
    const std::vector<uint8_t> rgb = testPicture();
    std::vector<uint8_t> fast(yuv420Bytes(width, height));
    convertRgbToYuv420(rgb.data(), width, height, fast.data());
    const std::vector<uint8_t> reference = referenceYuv420(rgb, width, height);
    ASSERT_EQ(fast.size(), reference.size());
    int differing = 0, largest = 0;
    for (size_t i = 0; i < fast.size(); ++i) {
        const int d = std::abs(fast[i] - reference[i]);
        differing += d != 0;
        largest = std::max(largest, d);
    }
    EXPECT_LE(largest, 1) << differing << " codes differ";

    // Both, at known colours: BT.601's limited range.
    const int expected[8][3] = {{16, 128, 128}, {235, 128, 128}, {81, 90, 240},   {145, 54, 34},
                                {41, 240, 110}, {170, 166, 16},  {106, 202, 222}, {210, 16, 146}};
    const std::vector<uint8_t>& converted = fast;
    for (const std::vector<uint8_t>* yuv : {&converted, &reference}) {
        const Planes planes(*yuv);
        for (int b = 0; b < 8; ++b) {
            const int x = b * 128 + 64, y = 32;
            EXPECT_EQ(planes.y[y * width + x], expected[b][0]) << "block " << b;
            EXPECT_EQ(planes.u[planes.chromaIndex(x, y)], expected[b][1]) << "block " << b;
            EXPECT_EQ(planes.v[planes.chromaIndex(x, y)], expected[b][2]) << "block " << b;
        }
        // Each chroma sample of the stripes sees its red column at a quarter: a sample centred
        // between two columns would see it at a half or not at all. At the left edge, column 0
        // stands in for the one beyond it.
        for (int x = 2; x < 16; x += 2) {
            EXPECT_EQ(planes.u[planes.chromaIndex(x, 720)], 119) << x;
            EXPECT_EQ(planes.v[planes.chromaIndex(x, 720)], 156) << x;
        }
        EXPECT_EQ(planes.u[planes.chromaIndex(0, 720)], 119);
        // Rows are top first: the first luma is the black block's.
        EXPECT_EQ(planes.y[0], 16);
    }
}
