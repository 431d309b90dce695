#include "Canvas.h"

#include <algorithm>

namespace {

uint32_t channel(double value) {
    return static_cast<uint32_t>(std::clamp(value, 0.0, 1.0) * 255.0 + 0.5);
}

} // namespace

Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scaled(Colour colour, double factor) {
    return {colour.r * factor, colour.g * factor, colour.b * factor};
}

Canvas::Canvas(int width, int height)
    : pixelWidth(width), pixelHeight(height),
      surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)),
      context(cairo_create(surface)) {
    cairo_set_source_rgb(context, 0, 0, 0);
    cairo_paint(context);
}

Canvas::~Canvas() {
    cairo_destroy(context);
    cairo_surface_destroy(surface);
}

void Canvas::store(int x, int y, Colour colour) {
    uint8_t* row =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    reinterpret_cast<uint32_t*>(row)[x] =
        (channel(colour.r) << 16) | (channel(colour.g) << 8) | channel(colour.b);
}

Picture Canvas::picture() const {
    cairo_surface_flush(surface);
    Picture result{pixelWidth, pixelHeight, {}};
    result.rgb.resize(static_cast<size_t>(pixelWidth) * pixelHeight * 3);
    const uint8_t* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    uint8_t* out = result.rgb.data();
    for (int y = 0; y < pixelHeight; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int x = 0; x < pixelWidth; ++x) {
            *out++ = static_cast<uint8_t>(row[x] >> 16);
            *out++ = static_cast<uint8_t>(row[x] >> 8);
            *out++ = static_cast<uint8_t>(row[x]);
        }
    }
    return result;
}

void setColour(cairo_t* cr, Colour colour, double alpha) {
    cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, alpha);
}
