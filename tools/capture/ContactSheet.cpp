#include "ContactSheet.h"

#include <cmath>

namespace {
const int shrink = 4;
const uint8_t ground = 24;
} // namespace

SheetLayout layoutSheet(int count, int frameWidth, int frameHeight) {
    SheetLayout layout;
    layout.thumbWidth = frameWidth / shrink;
    layout.thumbHeight = frameHeight / shrink;
    layout.columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    layout.rows = (count + layout.columns - 1) / layout.columns;
    return layout;
}

RgbImage makeEmptySheet(const SheetLayout& layout) {
    RgbImage sheet;
    sheet.width = layout.columns * (layout.thumbWidth + layout.gap) + layout.gap;
    sheet.height = layout.rows * (layout.thumbHeight + layout.gap) + layout.gap;
    sheet.rgb.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, ground);
    return sheet;
}

void placeThumbnail(RgbImage& sheet, const SheetLayout& layout, int index,
                    const std::vector<uint8_t>& frame, int frameWidth) {
    const int left = layout.gap + (index % layout.columns) * (layout.thumbWidth + layout.gap);
    const int top = layout.gap + (index / layout.columns) * (layout.thumbHeight + layout.gap);
    for (int y = 0; y < layout.thumbHeight; ++y) {
        for (int x = 0; x < layout.thumbWidth; ++x) {
            int sum[3] = {0, 0, 0};
            for (int dy = 0; dy < shrink; ++dy) {
                const uint8_t* source =
                    &frame[((static_cast<size_t>(y) * shrink + dy) * frameWidth + x * shrink) * 3];
                for (int dx = 0; dx < shrink * 3; ++dx) sum[dx % 3] += source[dx];
            }
            uint8_t* target =
                &sheet.rgb[((static_cast<size_t>(top) + y) * sheet.width + left + x) * 3];
            for (int c = 0; c < 3; ++c)
                target[c] =
                    static_cast<uint8_t>((sum[c] + shrink * shrink / 2) / (shrink * shrink));
        }
    }
}

int32_t sheetInstant(int index, int count, int32_t fromMs, int32_t toMs) {
    if (count <= 1) return fromMs;
    const double span = static_cast<double>(toMs) - fromMs;
    return fromMs + static_cast<int32_t>(std::llround(span * index / (count - 1)));
}
