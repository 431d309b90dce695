#pragma once

#include "Picture.h"

#include <cairo.h>
#include <cstdint>

struct Colour {
    double r, g, b;
};

Colour mix(Colour a, Colour b, double t);
Colour scaled(Colour colour, double factor);

// An opaque Cairo image surface to draw a picture on: Cairo for shapes and text, direct pixel
// access for the pictures that are computed texel by texel.
class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    int width() const { return pixelWidth; }
    int height() const { return pixelHeight; }
    cairo_t* cairo() const { return context; }

    // Sets every pixel to colourAt(x, y), channels 0 ... 1 (clamped).
    template <class ColourAt> void paintEachPixel(ColourAt colourAt) {
        cairo_surface_flush(surface);
        for (int y = 0; y < pixelHeight; ++y)
            for (int x = 0; x < pixelWidth; ++x) store(x, y, colourAt(x, y));
        cairo_surface_mark_dirty(surface);
    }

    Picture picture() const;

private:
    void store(int x, int y, Colour colour);

    int pixelWidth, pixelHeight;
    cairo_surface_t* surface;
    cairo_t* context;
};

void setColour(cairo_t* cr, Colour colour, double alpha = 1.0);
