#include "Icon.h"

#include "Font.h"
#include "Pictures.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

std::string pngOf(cairo_surface_t* surface) {
    std::string bytes;
    if (cairo_surface_write_to_png_stream(surface, appendToString, &bytes) != CAIRO_STATUS_SUCCESS)
        bytes.clear();
    return bytes;
}

void put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>((value >> 8) & 0xff);
}

void put32(std::string& out, uint32_t value) {
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

// An icon image as Windows' own format for the small sizes: a BITMAPINFOHEADER of twice the
// height (the colour rows, then the transparency mask), 32-bit BGRA rows bottom first with
// straight alpha, and the 1-bit AND mask, set where the pixel is transparent.
std::string bitmapOf(cairo_surface_t* surface) {
    const int size = cairo_image_surface_get_width(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const uint8_t* data = cairo_image_surface_get_data(surface);
    const int maskStride = (size + 31) / 32 * 4;
    std::string out;
    put32(out, 40);
    put32(out, static_cast<uint32_t>(size));
    put32(out, static_cast<uint32_t>(2 * size));
    put16(out, 1);  // planes
    put16(out, 32); // bits per pixel
    put32(out, 0);  // BI_RGB
    put32(out, static_cast<uint32_t>(size * size * 4 + maskStride * size));
    for (int i = 0; i < 4; ++i) put32(out, 0); // resolution, palette
    std::string mask;
    for (int y = size - 1; y >= 0; --y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        std::string maskRow(static_cast<size_t>(maskStride), '\0');
        for (int x = 0; x < size; ++x) {
            const uint32_t pixel = row[x], alpha = pixel >> 24;
            // Cairo premultiplies; an icon's colours are not.
            auto straight = [alpha](uint32_t channel) {
                return static_cast<char>(alpha == 0 ? 0 : (channel * 255 + alpha / 2) / alpha);
            };
            out += straight(pixel & 0xff);
            out += straight((pixel >> 8) & 0xff);
            out += straight((pixel >> 16) & 0xff);
            out += static_cast<char>(alpha);
            if (alpha == 0)
                maskRow[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        }
        mask += maskRow;
    }
    return out + mask;
}

// Writes bytes to a path unless it holds them already.
bool writeIfChanged(const std::string& path, const std::string& bytes) {
    std::ifstream existing(path, std::ios::binary);
    if (existing && std::string(std::istreambuf_iterator<char>(existing), {}) == bytes) return true;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return false;
    std::printf("make-data: wrote %s\n", path.c_str());
    return true;
}

} // namespace

const std::vector<int>& iconPngSizes() {
    static const std::vector<int> sizes{16, 22, 24, 32, 48, 64, 128, 256};
    return sizes;
}

std::string iconPng(int size) {
    cairo_surface_t* surface = drawIcon(size);
    std::string bytes = anyFontMissing() ? std::string() : pngOf(surface);
    cairo_surface_destroy(surface);
    return bytes;
}

std::string iconFile(const std::vector<int>& sizes) {
    std::vector<std::string> images;
    for (int size : sizes) {
        cairo_surface_t* surface = drawIcon(size);
        // Windows has read PNG images in icons since Vista; bitmaps below 256 keep older readers
        // (and the shell's smallest sizes) happy.
        images.push_back(size >= 256 ? pngOf(surface) : bitmapOf(surface));
        cairo_surface_destroy(surface);
    }
    std::string out;
    put16(out, 0);
    put16(out, 1); // an icon, not a cursor
    put16(out, static_cast<uint32_t>(sizes.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        const uint8_t side = static_cast<uint8_t>(sizes[i] >= 256 ? 0 : sizes[i]); // 0 means 256
        out += static_cast<char>(side);
        out += static_cast<char>(side);
        out += '\0'; // no palette
        out += '\0';
        put16(out, 1);
        put16(out, 32);
        put32(out, static_cast<uint32_t>(images[i].size()));
        put32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const std::string& image : images) out += image;
    return out;
}

bool writeIcons(const std::string& directory) {
    mkdir(directory.c_str(), 0755);
    bool written = true;
    for (int size : iconPngSizes()) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size) + ".png";
        const std::string bytes = iconPng(size);
        written = written && !bytes.empty() && writeIfChanged(directory + "/" + name, bytes);
    }
    const std::string ico = iconFile({16, 24, 32, 48, 64, 256});
    written = written && !anyFontMissing() && writeIfChanged(directory + "/demo.ico", ico);
    if (!written)
        std::fprintf(stderr, "make-data: cannot write the icons into %s\n", directory.c_str());
    return written;
}
