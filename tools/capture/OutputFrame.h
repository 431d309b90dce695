#pragma once

#include "platform/PictureArea.h"

#include <cstdint>

// How a rendered picture becomes an output frame; all RGB rows, top row first.

// Shrinks (width * factor) x (height * factor) pixels to width x height: each output channel is
// the plain average of its factor x factor block, rounded half up. Integer sums, so the same
// frame always gives the same bytes.
void averageBlocks(const uint8_t* rendered, int width, int height, int factor, uint8_t* output);

// Copies a picture of place's size into a frame of frameSize at place (x and y from the
// bottom-left, as fitPicture gives it) and fills the rest with the background colour.
void placePicture(const uint8_t* picture, PixelRect place, PixelSize frameSize,
                  const uint8_t background[3], uint8_t* frame);
