#include "Canvas.h"
#include "Pictures.h"
#include "Random.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const int cityWidth = 4096, cityHeight = 512;
const double groundY = 500.0;
const double pi = 3.14159265358979323846;

enum class Roof { Flat, Stepped, Antenna, Spire, Tank, Dome };

struct Building {
    double left, width, top; // pixels, y down
    bool near;
    Roof roof;
    int id; // decides which windows are lit
};

struct CityStyle {
    Colour skyTop, skyHorizon;
    Colour farWall, farWindow;
    Colour nearWall, litWindow, darkWindow;
    double litShare; // of the near buildings' windows
    bool stars, moon, flashes;
};

Colour grey(double level) {
    return {level, level, level};
}

// A fixed pseudo-random value in [0, 1) for a window, the same in both pictures.
double windowHash(int building, int row, int column) {
    uint32_t h = static_cast<uint32_t>(building) * 73856093u ^
                 static_cast<uint32_t>(row) * 19349663u ^ static_cast<uint32_t>(column) * 83492791u;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h / 4294967296.0;
}

// Two rows of buildings across the whole strip: low, wide ones far away, taller ones in front.
std::vector<Building> layOutCity() {
    Random random(20240611u);
    std::vector<Building> buildings;
    int id = 0;
    for (double x = -40.0; x < cityWidth;) {
        const double width = random.between(60.0, 170.0);
        const double top = groundY - random.between(120.0, 290.0);
        buildings.push_back({x, width, top, false, Roof::Flat, id++});
        x += width * random.between(0.7, 1.0);
    }
    const Roof roofs[] = {Roof::Flat,  Roof::Stepped, Roof::Antenna,
                          Roof::Spire, Roof::Tank,    Roof::Dome};
    for (double x = -20.0; x < cityWidth;) {
        const double width = random.between(50.0, 130.0);
        // Now and then a tower well above the rest, so the skyline reads at any scale.
        const double height =
            random.chance(0.18) ? random.between(300.0, 420.0) : random.between(90.0, 280.0);
        buildings.push_back({x, width, groundY - height, true, roofs[random.below(6)], id++});
        x += width + random.between(4.0, 40.0);
    }
    return buildings;
}

void paintSky(Canvas& canvas, const CityStyle& style) {
    cairo_t* cr = canvas.cairo();
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, groundY);
    cairo_pattern_add_color_stop_rgb(gradient, 0, style.skyTop.r, style.skyTop.g, style.skyTop.b);
    cairo_pattern_add_color_stop_rgb(gradient, 1, style.skyHorizon.r, style.skyHorizon.g,
                                     style.skyHorizon.b);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    cairo_pattern_destroy(gradient);

    if (style.stars) {
        Random random(77u);
        for (int i = 0; i < 900; ++i) {
            const double x = random.between(0, cityWidth), y = random.between(0, 330);
            const double level = random.between(0.12, 0.4);
            setColour(cr, grey(level));
            cairo_rectangle(cr, std::floor(x), std::floor(y), 1, 1);
            cairo_fill(cr);
        }
    }
    if (style.moon) {
        // The strip is shown mirrored and only its right half ever crosses the window.
        const double x = 2750, y = 95, radius = 34;
        cairo_pattern_t* glow = cairo_pattern_create_radial(x, y, radius, x, y, radius * 4);
        cairo_pattern_add_color_stop_rgba(glow, 0, 0.3, 0.3, 0.3, 0.35);
        cairo_pattern_add_color_stop_rgba(glow, 1, 0.3, 0.3, 0.3, 0.0);
        cairo_set_source(cr, glow);
        cairo_arc(cr, x, y, radius * 4, 0, 2 * pi);
        cairo_fill(cr);
        cairo_pattern_destroy(glow);
        setColour(cr, grey(0.5));
        cairo_arc(cr, x, y, radius, 0, 2 * pi);
        cairo_fill(cr);
        setColour(cr, grey(0.42));
        cairo_arc(cr, x - 9, y + 6, 8, 0, 2 * pi);
        cairo_arc(cr, x + 12, y - 10, 5, 0, 2 * pi);
        cairo_fill(cr);
    }
    if (style.flashes) {
        // Bursts of light behind the buildings, close enough together that one is always in view.
        Random random(4242u);
        for (double x = 180; x < cityWidth; x += random.between(380, 560)) {
            const double y = random.between(120, 260), radius = random.between(260, 380);
            cairo_pattern_t* burst = cairo_pattern_create_radial(x, y, 0, x, y, radius);
            cairo_pattern_add_color_stop_rgba(burst, 0.0, 1, 1, 1, 1.0);
            cairo_pattern_add_color_stop_rgba(burst, 0.15, 1, 1, 1, 0.9);
            cairo_pattern_add_color_stop_rgba(burst, 1.0, 1, 1, 1, 0.0);
            cairo_set_source(cr, burst);
            cairo_arc(cr, x, y, radius, 0, 2 * pi);
            cairo_fill(cr);
            cairo_pattern_destroy(burst);
            // Thin rays out of the centre.
            setColour(cr, grey(1.0), 0.8);
            const int rays = 14;
            const double turn = random.between(0, pi);
            for (int i = 0; i < rays; ++i) {
                const double angle = turn + i * 2 * pi / rays;
                const double length = radius * random.between(0.9, 1.6), spread = 0.025;
                cairo_move_to(cr, x, y);
                cairo_line_to(cr, x + length * std::cos(angle - spread),
                              y + length * std::sin(angle - spread));
                cairo_line_to(cr, x + length * std::cos(angle + spread),
                              y + length * std::sin(angle + spread));
                cairo_close_path(cr);
                cairo_fill(cr);
            }
        }
    }
}

void paintRoof(cairo_t* cr, const Building& b) {
    const double middle = b.left + b.width / 2;
    switch (b.roof) {
    case Roof::Flat:
        break;
    case Roof::Stepped:
        cairo_rectangle(cr, b.left + b.width * 0.2, b.top - 22, b.width * 0.6, 22);
        cairo_rectangle(cr, b.left + b.width * 0.35, b.top - 40, b.width * 0.3, 18);
        break;
    case Roof::Antenna:
        cairo_rectangle(cr, middle - 1.5, b.top - 70, 3, 70);
        cairo_rectangle(cr, middle - 10, b.top - 12, 20, 12);
        break;
    case Roof::Spire:
        cairo_move_to(cr, b.left + b.width * 0.25, b.top);
        cairo_line_to(cr, middle, b.top - b.width * 0.9);
        cairo_line_to(cr, b.left + b.width * 0.75, b.top);
        cairo_close_path(cr);
        break;
    case Roof::Tank:
        cairo_rectangle(cr, b.left + b.width * 0.6, b.top - 26, 22, 18);
        cairo_rectangle(cr, b.left + b.width * 0.6 + 3, b.top - 8, 2, 8);
        cairo_rectangle(cr, b.left + b.width * 0.6 + 17, b.top - 8, 2, 8);
        break;
    case Roof::Dome:
        cairo_arc(cr, middle, b.top, b.width * 0.3, pi, 2 * pi);
        cairo_close_path(cr);
        break;
    }
    cairo_fill(cr);
}

void paintWindows(cairo_t* cr, const Building& b, const CityStyle& style) {
    const double columnStep = b.near ? 11.0 : 9.0, rowStep = b.near ? 14.0 : 12.0;
    const double windowWidth = b.near ? 5.0 : 3.0, windowHeight = b.near ? 7.0 : 4.0;
    const int columns = static_cast<int>((b.width - 12) / columnStep);
    const int rows = static_cast<int>((groundY - b.top - 24) / rowStep);
    const double inset = (b.width - columns * columnStep) / 2 + (columnStep - windowWidth) / 2;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const double hash = windowHash(b.id, row, column);
            Colour colour = style.farWindow;
            if (b.near) {
                const bool lit = hash < style.litShare;
                // Lit windows vary a little in brightness, as rooms do.
                colour = lit ? scaled(style.litWindow, 0.75 + 0.25 * windowHash(b.id, column, row))
                             : style.darkWindow;
            } else if (hash > 0.35) {
                continue;
            }
            setColour(cr, colour);
            cairo_rectangle(cr, std::floor(b.left + inset + column * columnStep),
                            std::floor(b.top + 14 + row * rowStep), windowWidth, windowHeight);
            cairo_fill(cr);
        }
    }
}

Picture drawCity(const CityStyle& style) {
    Canvas canvas(cityWidth, cityHeight);
    cairo_t* cr = canvas.cairo();
    paintSky(canvas, style);
    const std::vector<Building> buildings = layOutCity();
    for (const bool near : {false, true}) {
        for (const Building& b : buildings) {
            if (b.near != near) continue;
            setColour(cr, near ? style.nearWall : style.farWall);
            cairo_rectangle(cr, b.left, b.top, b.width, cityHeight - b.top);
            cairo_fill(cr);
            paintRoof(cr, b);
            paintWindows(cr, b, style);
        }
    }
    return canvas.picture();
}

} // namespace

Picture drawCalmCity() {
    CityStyle style;
    style.skyTop = grey(0.01);
    style.skyHorizon = grey(0.11);
    style.farWall = grey(0.06);
    style.farWindow = grey(0.13);
    style.nearWall = grey(0.015);
    style.litWindow = grey(0.42);
    style.darkWindow = grey(0.05);
    style.litShare = 0.28;
    style.stars = true;
    style.moon = true;
    style.flashes = false;
    return drawCity(style);
}

Picture drawLoudCity() {
    CityStyle style;
    style.skyTop = grey(0.78);
    style.skyHorizon = grey(0.97);
    style.farWall = grey(0.55);
    style.farWindow = grey(0.85);
    style.nearWall = grey(0.0);
    style.litWindow = grey(1.0);
    style.darkWindow = grey(1.0);
    style.litShare = 1.0;
    style.stars = false;
    style.moon = false;
    style.flashes = true;
    return drawCity(style);
}
