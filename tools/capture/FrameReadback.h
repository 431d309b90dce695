#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reads the frames back from the offscreen framebuffer through two pixel-buffer objects, so that
// reading one frame overlaps with drawing the next:
//
//   startFrameReadback(n % 2); ... draw frame n + 1 ...; finishFrameReadback(n % 2, bytes);
//
// Rgb:    the picture as drawn, RGB rows top first (what the PNGs hold).
// Yuv420: planar YUV 4:2:0 for the video encoder (I420: the full Y plane, then U, then V, each
//         row top first), converted on the GL side so that half the bytes come back and the
//         encoder has nothing left to convert. BT.601 with limited range, as x264 assumes:
//           Y  = 16  +  65.481 R + 128.553 G +  24.966 B
//           Cb = 128 -  37.797 R -  74.203 G + 112.000 B
//           Cr = 128 + 112.000 R -  93.786 G -  18.214 B     (R, G, B from 0 to 1)
//         rounded to the nearest code. Chroma is sited as H.264 and MPEG-2 place it by default:
//         level with the left luma column of each pair and halfway between its two rows, so each
//         chroma sample filters columns 2x - 1, 2x, 2x + 1 by 1/4, 1/2, 1/4 and rows 2y, 2y + 1
//         by 1/2 each (the picture's edge column repeats at the left border).
enum class FrameFormat { Rgb, Yuv420 };

size_t frameBytes(FrameFormat format);

// Needs the offscreen context. False with the reason when the GL cannot do it.
bool createFrameReadback(FrameFormat format, std::string& error);
void destroyFrameReadback();
// Starts reading the frame just drawn into buffer slot 0 or 1. The GL state that the demo's
// frames carry from one to the next is left as it was.
void startFrameReadback(int slot);
// Waits for the slot's frame and copies its frameBytes() bytes out.
void finishFrameReadback(int slot, uint8_t* bytes);

// The same conversion on the CPU, from RGB rows top first: what the GL's is held to.
void convertRgbToYuv420(const uint8_t* rgb, int width, int height, uint8_t* yuv);
