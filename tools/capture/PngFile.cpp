#include "PngFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <png.h>

bool writePng(const std::string& path, const RgbImage& image, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    bool ok = png_image_write_to_stdio(&png, file, 0, image.rgb.data(), 0, nullptr) != 0;
    if (!ok) error = "cannot write " + path + ": " + png.message;
    if (std::fclose(file) != 0 && ok) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) std::remove(path.c_str());
    return ok;
}

bool readPng(const std::string& path, RgbImage& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    const bool ok = png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr) != 0;
    png_image_free(&png);
    return ok;
}
