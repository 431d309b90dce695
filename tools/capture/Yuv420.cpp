#include "Yuv420.h"

#include <vector>

namespace {

// The coefficients above in 16.16 fixed point, luma's over 255 and chroma's over 255 * 8, the
// sum of the weights that each chroma sample's six pixels carry.
constexpr int32_t half = 1 << 15;
constexpr int32_t yR = 16829, yG = 33039, yB = 6416, yBase = (16 << 16) + half;
constexpr int32_t uR = -1214, uG = -2384, uB = 3598, vR = 3598, vG = -3013, vB = -585;
constexpr int32_t cBase = (128 << 16) + half;

void convertLumaRow(const uint8_t* __restrict rgb, int width, uint8_t* __restrict y) {
    for (int x = 0; x < width; ++x)
        y[x] = static_cast<uint8_t>(
            (yBase + yR * rgb[3 * x] + yG * rgb[3 * x + 1] + yB * rgb[3 * x + 2]) >> 16);
}

// One row of U and V from two rows of pixels: the rows' sums column by column first, then the
// 1-2-1 filter along them.
void convertChromaRow(const uint8_t* __restrict top, const uint8_t* __restrict bottom, int width,
                      int32_t* __restrict columns, uint8_t* __restrict u, uint8_t* __restrict v) {
    for (int i = 0; i < 3 * width; ++i) columns[i] = top[i] + bottom[i];
    for (int cx = 0; cx < width / 2; ++cx) {
        const int left = cx == 0 ? 0 : 6 * cx - 3, middle = 6 * cx, right = 6 * cx + 3;
        const int32_t r = columns[left] + 2 * columns[middle] + columns[right];
        const int32_t g = columns[left + 1] + 2 * columns[middle + 1] + columns[right + 1];
        const int32_t b = columns[left + 2] + 2 * columns[middle + 2] + columns[right + 2];
        u[cx] = static_cast<uint8_t>((cBase + uR * r + uG * g + uB * b) >> 16);
        v[cx] = static_cast<uint8_t>((cBase + vR * r + vG * g + vB * b) >> 16);
    }
}

} // namespace

size_t yuv420Bytes(int width, int height) {
    return static_cast<size_t>(width) * height * 3 / 2;
}

// Two rows at a time, luma and chroma together, so that each pixel is read from memory once.
void convertRgbToYuv420(const uint8_t* rgb, int width, int height, uint8_t* yuv) {
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    uint8_t* u = yuv + static_cast<size_t>(width) * height;
    uint8_t* v = u + static_cast<size_t>(width / 2) * (height / 2);
    std::vector<int32_t> columns(rowBytes);
    for (int cy = 0; cy < height / 2; ++cy) {
        const uint8_t* top = rgb + 2 * cy * rowBytes;
        uint8_t* luma = yuv + static_cast<size_t>(2 * cy) * width;
        convertLumaRow(top, width, luma);
        convertLumaRow(top + rowBytes, width, luma + width);
        convertChromaRow(top, top + rowBytes, width, columns.data(), u + cy * (width / 2),
                         v + cy * (width / 2));
    }
}
