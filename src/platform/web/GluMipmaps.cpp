#include "platform/web/GluMipmaps.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

// GLU's filter reads the pixel just past a row's end, with weight 0; past the picture's last byte
// that would be outside the buffer, so it reads 0 there (the sum is the same).
struct Bytes {
    const uint8_t* data;
    int64_t size;
    float operator[](int64_t offset) const {
        return offset < size ? static_cast<float>(data[offset]) : 0.0f;
    }
};

int log2OfPowerOfTwo(int value) {
    int log = 0;
    while (value > 1) {
        value >>= 1;
        ++log;
    }
    return log;
}

int paddedRowBytes(int width, int components, int alignment) {
    const int row = width * components;
    const int padding = row % alignment;
    return padding ? row + alignment - padding : row;
}

// A side of exactly 1 is averaged along the other side only.
void halveLine(const PictureRows& in, uint8_t* out) {
    const uint8_t* src = in.pixels;
    const int components = in.components;
    if (in.height == 1) {
        for (int j = 0; j < in.width / 2; ++j) {
            for (int k = 0; k < components; ++k, ++src)
                *out++ = static_cast<uint8_t>((src[0] + src[components]) / 2);
            src += components;
        }
    } else {
        for (int j = 0; j < in.height / 2; ++j) {
            for (int k = 0; k < components; ++k, ++src)
                *out++ = static_cast<uint8_t>((src[0] + src[in.rowBytes]) / 2);
            src += in.rowBytes - components + in.rowBytes;
        }
    }
}

} // namespace

int nearestPowerOfTwo(uint32_t value) {
    if (value == 0) return -1;
    int power = 1;
    for (;;) {
        if (value == 1) return power;
        if (value == 3) return power * 4;
        value >>= 1;
        power *= 2;
    }
}

void halvePicture(const PictureRows& in, uint8_t* out) {
    if (in.width == 1 || in.height == 1) {
        halveLine(in, out);
        return;
    }
    const int components = in.components;
    const int ysize = in.rowBytes;
    const int padBytes = ysize - in.width * components;
    const uint8_t* t = in.pixels;
    for (int i = 0; i < in.height / 2; ++i) {
        for (int j = 0; j < in.width / 2; ++j) {
            for (int k = 0; k < components; ++k, ++t)
                *out++ = static_cast<uint8_t>(
                    (t[0] + t[components] + t[ysize] + t[ysize + components] + 2) / 4);
            t += components;
        }
        t += padBytes + ysize;
    }
}

namespace {

// Moves a box edge pair one output pixel on: the old high edge becomes the low one.
void nextBox(int& lowInt, float& lowFloat, int& highInt, float& highFloat, int convInt,
             float convFloat) {
    lowInt = highInt;
    lowFloat = highFloat;
    highInt += convInt;
    highFloat += convFloat;
    if (highFloat > 1) {
        highFloat -= 1.0f;
        ++highInt;
    }
}

} // namespace

void scalePicture(const PictureRows& in, int outWidth, int outHeight, uint8_t* out) {
    if (in.width == outWidth * 2 && in.height == outHeight * 2) {
        halvePicture(in, out);
        return;
    }
    scalePictureRows(in, outWidth, outHeight, out, 0, outHeight);
}

namespace {

// A picture scaled in height only (the logo and the credits, 1024 x 768 to 1024 x 1024): each box
// is one pixel wide, and the pixel after it that GLU adds with weight 0 changes no sum, so a row
// is one or two source rows by their weights, the same sums in the same order, without the general
// filter's bookkeeping (the logo's scaling was the largest part of its loading on the page). False
// for a box taller than two rows, which the general filter takes.
bool scaleRowInHeight(const PictureRows& in, int outWidth, int lowyInt, float lowyFloat,
                      int highyInt, float highyFloat, float area, uint8_t* out) {
    const uint8_t* top = in.pixels + int64_t{lowyInt} * in.rowBytes;
    const int values = outWidth * in.components;
    if (highyInt == lowyInt) {
        const float percent = highyFloat - lowyFloat;
        for (int i = 0; i < values; ++i)
            out[i] = static_cast<uint8_t>(static_cast<float>(top[i]) * percent / area);
        return true;
    }
    if (highyInt != lowyInt + 1) return false;
    const uint8_t* bottom = top + in.rowBytes;
    const float topPercent = 1 - lowyFloat;
    for (int i = 0; i < values; ++i)
        out[i] = static_cast<uint8_t>(
            (static_cast<float>(top[i]) * topPercent + static_cast<float>(bottom[i]) * highyFloat) /
            area);
    return true;
}

} // namespace

// A box filter in single precision, with GLU's running sums and weights kept exactly as it keeps
// them (the left and right edge cursors even drift by one pixel per row, as GLU's do). A band of
// rows further down takes the rows' edge cursors as the rows before it leave them.
void scalePictureRows(const PictureRows& in, int outWidth, int outHeight, uint8_t* out,
                      int firstRow, int endRow) {
    const Bytes px{in.pixels, int64_t{in.rowBytes} * in.height};
    const int components = in.components;
    const int group = components;
    const int64_t ysize = in.rowBytes;

    const float convy = static_cast<float>(in.height) / outHeight;
    const float convx = static_cast<float>(in.width) / outWidth;
    const int convyInt = static_cast<int>(std::floor(convy));
    const float convyFloat = convy - convyInt;
    const int convxInt = static_cast<int>(std::floor(convx));
    const float convxFloat = convx - convxInt;
    const float area = convx * convy;

    int lowyInt = 0;
    float lowyFloat = 0;
    int highyInt = convyInt;
    float highyFloat = convyFloat;
    for (int i = 0; i < firstRow; ++i) {
        if (highyInt >= in.height) highyInt = in.height - 1;
        nextBox(lowyInt, lowyFloat, highyInt, highyFloat, convyInt, convyFloat);
    }
    const bool widthKept = convxInt == 1 && convxFloat == 0;
    for (int i = firstRow; i < endRow; ++i) {
        if (highyInt >= in.height) highyInt = in.height - 1;
        if (widthKept && scaleRowInHeight(in, outWidth, lowyInt, lowyFloat, highyInt, highyFloat,
                                          area, out + int64_t{i} * outWidth * components)) {
            nextBox(lowyInt, lowyFloat, highyInt, highyFloat, convyInt, convyFloat);
            continue;
        }
        int lowxInt = 0;
        float lowxFloat = 0;
        int highxInt = convxInt;
        float highxFloat = convxFloat;
        for (int j = 0; j < outWidth; ++j) {
            float totals[4] = {0, 0, 0, 0};
            const int64_t xindex = int64_t{lowxInt} * group;
            // One source row across the box: its partly covered first and last pixels and those
            // between by their weights; returns where the last one starts.
            auto addAcross = [&](int64_t temp, float first, float between, float last) {
                for (int k = 0; k < components; ++k) totals[k] += px[temp + k] * first;
                for (int l = lowxInt + 1; l < highxInt; ++l) {
                    temp += group;
                    for (int k = 0; k < components; ++k) totals[k] += px[temp + k] * between;
                }
                temp += group;
                for (int k = 0; k < components; ++k) totals[k] += px[temp + k] * last;
                return temp;
            };
            int64_t temp;
            if (highyInt > lowyInt && highxInt > lowxInt) {
                float yPercent = 1 - lowyFloat;
                int64_t left = xindex + lowyInt * ysize;
                int64_t right =
                    addAcross(left, yPercent * (1 - lowxFloat), yPercent, yPercent * highxFloat);
                yPercent = highyFloat;
                addAcross(xindex + highyInt * ysize, yPercent * (1 - lowxFloat), yPercent,
                          yPercent * highxFloat);

                for (int m = lowyInt + 1; m < highyInt; ++m) {
                    left += ysize;
                    right += ysize;
                    for (int k = 0; k < components; ++k, ++left, ++right)
                        totals[k] += px[left] * (1 - lowxFloat) + px[right] * highxFloat;
                }
            } else if (highyInt > lowyInt) {
                const float xPercent = highxFloat - lowxFloat;
                float percent = (1 - lowyFloat) * xPercent;
                temp = xindex + lowyInt * ysize;
                for (int k = 0; k < components; ++k) totals[k] += px[temp + k] * percent;
                for (int m = lowyInt + 1; m < highyInt; ++m) {
                    temp += ysize;
                    for (int k = 0; k < components; ++k) totals[k] += px[temp + k] * xPercent;
                }
                percent = xPercent * highyFloat;
                temp += ysize;
                for (int k = 0; k < components; ++k) totals[k] += px[temp + k] * percent;
            } else if (highxInt > lowxInt) {
                const float yPercent = highyFloat - lowyFloat;
                addAcross(xindex + lowyInt * ysize, (1 - lowxFloat) * yPercent, yPercent,
                          yPercent * highxFloat);
            } else {
                const float percent = (highyFloat - lowyFloat) * (highxFloat - lowxFloat);
                temp = xindex + lowyInt * ysize;
                for (int k = 0; k < components; ++k) totals[k] += px[temp + k] * percent;
            }

            int64_t temp0 = xindex + group + (lowyInt + 1) * ysize;
            for (int m = lowyInt + 1; m < highyInt; ++m) {
                temp = temp0;
                for (int l = lowxInt + 1; l < highxInt; ++l) {
                    for (int k = 0; k < components; ++k) totals[k] += px[temp + k];
                    temp += group;
                }
                temp0 += ysize;
            }

            const int64_t outIndex = (j + int64_t{i} * outWidth) * components;
            for (int k = 0; k < components; ++k)
                out[outIndex + k] = static_cast<uint8_t>(totals[k] / area);
            nextBox(lowxInt, lowxFloat, highxInt, highxFloat, convxInt, convxFloat);
        }
        nextBox(lowyInt, lowyFloat, highyInt, highyFloat, convyInt, convyFloat);
    }
}

bool buildMipmapLevels(const uint8_t* pixels, int width, int height, int components, int alignment,
                       int maxSize, MipmapLevelSink sink, void* context) {
    MipmapBuild build;
    if (!startMipmapBuild(build, pixels, width, height, components, alignment, maxSize))
        return false;
    while (!stepMipmapBuild(build, sink, context, height)) continue;
    return true;
}

bool startMipmapBuild(MipmapBuild& build, const uint8_t* pixels, int width, int height,
                      int components, int alignment, int maxSize) {
    int newWidth = nearestPowerOfTwo(static_cast<uint32_t>(width));
    int newHeight = nearestPowerOfTwo(static_cast<uint32_t>(height));
    // GLU asks a proxy texture whether level 1 fits and halves both sides until it does.
    while ((newWidth > maxSize || newHeight > maxSize) && (newWidth > 1 || newHeight > 1)) {
        newWidth = std::max(newWidth / 2, 1);
        newHeight = std::max(newHeight / 2, 1);
    }
    build = MipmapBuild{};
    build.levels = std::max(log2OfPowerOfTwo(newWidth), log2OfPowerOfTwo(newHeight));
    build.user = PictureRows{pixels, width, height, components,
                             paddedRowBytes(width, components, alignment)};
    build.alignment = alignment;
    const size_t largest = static_cast<size_t>(newWidth) * newHeight * components;
    build.src = static_cast<uint8_t*>(std::malloc(largest));
    build.dst = static_cast<uint8_t*>(std::malloc(largest));
    if (!build.src || !build.dst) {
        std::free(build.src);
        std::free(build.dst);
        build = MipmapBuild{};
        return false;
    }
    build.width = newWidth;
    build.height = newHeight;
    // Level 0 is the picture itself, rows padded as they came, where it has its size already;
    // scaled to it, a band of rows at a time, otherwise.
    build.scaling = width != newWidth || height != newHeight;
    return true;
}

bool stepMipmapBuild(MipmapBuild& build, MipmapLevelSink sink, void* context,
                     int scaledRowsPerStep) {
    const PictureRows& user = build.user;
    const int components = user.components;
    if (build.level == 0 && build.scaling) {
        if (user.width == build.width * 2 && user.height == build.height * 2) {
            halvePicture(user, build.src);
            build.scaledRows = build.height;
        } else {
            const int end =
                std::min(build.height, build.scaledRows + std::max(1, scaledRowsPerStep));
            scalePictureRows(user, build.width, build.height, build.src, build.scaledRows, end);
            build.scaledRows = end;
        }
        if (build.scaledRows < build.height) return false;
        sink(context, 0, build.width, build.height, 1, build.src);
    } else if (build.level == 0) {
        sink(context, 0, user.width, user.height, build.alignment, user.pixels);
    } else if (build.level == 1 && !build.scaling) {
        halvePicture(user, build.src);
        build.width = std::max(user.width / 2, 1);
        build.height = std::max(user.height / 2, 1);
        sink(context, 1, build.width, build.height, 1, build.src);
    } else {
        halvePicture({build.src, build.width, build.height, components, build.width * components},
                     build.dst);
        std::swap(build.src, build.dst);
        if (build.width > 1) build.width /= 2;
        if (build.height > 1) build.height /= 2;
        sink(context, build.level, build.width, build.height, 1, build.src);
    }
    if (++build.level <= build.levels) return false;
    std::free(build.src);
    std::free(build.dst);
    build = MipmapBuild{};
    return true;
}
