#pragma once

#include "PngFile.h"

#include <cstdint>
#include <vector>

// Thumbnails at a quarter of the frame's size, in rows of columnsFor(count), on a dark ground.
struct SheetLayout {
    int columns = 1, rows = 1;
    int thumbWidth = 256, thumbHeight = 192;
    int gap = 4;
};

SheetLayout layoutSheet(int count, int frameWidth, int frameHeight);
RgbImage makeEmptySheet(const SheetLayout& layout);
// Shrinks a frame (RGB, top row first) by averaging 4 x 4 blocks into the index-th cell.
void placeThumbnail(RgbImage& sheet, const SheetLayout& layout, int index,
                    const std::vector<uint8_t>& frame, int frameWidth);
// The instants of count thumbnails spread evenly over [fromMs, toMs], both ends included.
int32_t sheetInstant(int index, int count, int32_t fromMs, int32_t toMs);
