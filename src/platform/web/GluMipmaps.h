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

// The same in steps, so that a large picture need not hold a page up: a step scales a band of
// level 0's rows, where the picture must be scaled to its size, or hands the sink one level.
// Start it with the arguments of buildMipmapLevels (false when memory runs out); each step is
// then given the same sink. The picture must stay as it is until the last step, which returns
// true and frees what the build holds.
struct MipmapBuild {
    PictureRows user{};
    int alignment = 4;
    int width = 0, height = 0; // of the next level
    int levels = 0;
    int level = 0; // the next to hand over
    int scaledRows = 0;
    bool scaling = false; // level 0 is the picture scaled, not the picture itself
    uint8_t* src = nullptr;
    uint8_t* dst = nullptr;
};
bool startMipmapBuild(MipmapBuild& build, const uint8_t* pixels, int width, int height,
                      int components, int alignment, int maxSize);
bool stepMipmapBuild(MipmapBuild& build, MipmapLevelSink sink, void* context,
                     int scaledRowsPerStep);

// The steps, for the tests. `out` holds width * height * components bytes, packed.
void halvePicture(const PictureRows& in, uint8_t* out);
void scalePicture(const PictureRows& in, int outWidth, int outHeight, uint8_t* out);
// Rows firstRow to endRow (not included) of the scaled picture, as scalePicture makes them.
void scalePictureRows(const PictureRows& in, int outWidth, int outHeight, uint8_t* out,
                      int firstRow, int endRow);
