#pragma once

#include <cstddef>
#include <cstdint>

// The video's frames as the encoder takes them: planar YUV 4:2:0 (I420: the full Y plane, then U,
// then V, each row top first), BT.601 with limited range, as x264 assumes:
//   Y  = 16  +  65.481 R + 128.553 G +  24.966 B
//   Cb = 128 -  37.797 R -  74.203 G + 112.000 B
//   Cr = 128 + 112.000 R -  93.786 G -  18.214 B        (R, G, B from 0 to 1)
// rounded to the nearest code. Chroma is sited where H.264 and MPEG-2 place it by default: level
// with the left luma column of each pair and halfway between its two rows, so each chroma sample
// weighs columns 2x - 1, 2x and 2x + 1 by 1/4, 1/2 and 1/4 and rows 2y and 2y + 1 by 1/2 each
// (the left edge column stands in for the one beyond it).

size_t yuv420Bytes(int width, int height);
// From RGB rows, top first; width and height even. Fixed-point arithmetic, within one code of the
// formulas above.
void convertRgbToYuv420(const uint8_t* rgb, int width, int height, uint8_t* yuv);
