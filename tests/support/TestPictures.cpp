#include "TestPictures.h"

#include <cstdio>
#include <turbojpeg.h>

bool writeJpeg(const std::string& path, int width, int height, const std::vector<uint8_t>& pixels,
               JpegKind kind, bool progressive) {
    const int format = kind == JpegKind::Rgb         ? TJPF_RGB
                       : kind == JpegKind::Greyscale ? TJPF_GRAY
                                                     : TJPF_CMYK;
    const int subsampling = kind == JpegKind::Greyscale ? TJSAMP_GRAY : TJSAMP_444;
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const bool ok =
        compressor && tjCompress2(compressor, pixels.data(), width, 0, height, format, &jpeg, &size,
                                  subsampling, 100, progressive ? TJFLAG_PROGRESSIVE : 0) == 0;
    bool written = false;
    if (ok) {
        if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
            written = std::fwrite(jpeg, 1, size, file) == size;
            written = std::fclose(file) == 0 && written;
        }
    }
    tjFree(jpeg);
    if (compressor) tjDestroy(compressor);
    return written;
}

bool writeSolidJpeg(const std::string& path, int width, int height, uint8_t r, uint8_t g,
                    uint8_t b) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = r;
        pixels[i + 1] = g;
        pixels[i + 2] = b;
    }
    return writeJpeg(path, width, height, pixels);
}

bool writeQuadrantJpeg(const std::string& path, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = (!right && !bottom) || (right && bottom) ? 255 : 0;
            p[1] = (right && !bottom) || (right && bottom) ? 255 : 0;
            p[2] = (!right && bottom) || (right && bottom) ? 255 : 0;
        }
    }
    return writeJpeg(path, width, height, pixels);
}
