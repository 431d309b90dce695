#pragma once

#include <cstdint>

// What GLU's gluBuild2DMipmaps computes for 8-bit pictures, apart from GL itself: the size of
// level 0 (each side to its nearest power of two, as GLU rounds it), the box-filtered scaling
// to it and the halving to every smaller level, step for step as Mesa's GLU does them, so that
// the web build's textures equal the native build's byte for byte.

// GLU's rounding: 768 becomes 1024, 640 becomes 512 (to the power of two nearest in its own
// sense: down, unless the two leading bits are both set).
int nearestPowerOfTwo(uint32_t value);

// A picture in memory: rows of width * components bytes, each rowBytes after the previous one.
struct PictureRows {
    const uint8_t* pixels;
    int width;
    int height;
    int components;
    int rowBytes;
};

// Receives one level, its rows packed at `alignment` bytes (GL's unpack alignment).
using MipmapLevelSink = void (*)(void* context, int level, int width, int height, int alignment,
                                 const uint8_t* pixels);

// Hands every level, 0 first, to the sink. `alignment` is the unpack alignment the picture's rows
// are padded to; maxSize the largest texture side the GL takes (level 0 is halved until it fits).
// False when memory runs out.
bool buildMipmapLevels(const uint8_t* pixels, int width, int height, int components, int alignment,
                       int maxSize, MipmapLevelSink sink, void* context);

// The steps, for the tests. `out` holds width * height * components bytes, packed.
void halvePicture(const PictureRows& in, uint8_t* out);
void scalePicture(const PictureRows& in, int outWidth, int outHeight, uint8_t* out);
