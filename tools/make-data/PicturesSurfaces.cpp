#include "Canvas.h"
#include "Noise.h"
#include "Pictures.h"
#include "Random.h"

#include <algorithm>
#include <cmath>

namespace {

const int textureSize = 512;
const double pi = 3.14159265358979323846;

double smoothstep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Light from the top left: the rim of a square tile or plate of `size` pixels at (x, y) inside it
// is lighter on the top and left sides and darker on the others, with a dark joint outside.
// Returns a factor for the colour.
double bevel(double x, double y, double size, double joint, double rim) {
    const double left = x, top = y, right = size - 1 - x, bottom = size - 1 - y;
    const double nearest = std::min({left, top, right, bottom});
    if (nearest < joint) return 0.18;
    if (nearest >= joint + rim) return 1.0;
    const bool lit = nearest == left || nearest == top;
    return lit ? 1.35 : 0.6;
}

// Draws a path at every offset of a whole texture around it, so that lines crossing an edge come
// back in on the opposite side.
template <class DrawAt> void drawWrapped(DrawAt drawAt) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) drawAt(dx * textureSize, dy * textureSize);
}

} // namespace

Picture drawMarbleTiles() {
    Canvas canvas(textureSize, textureSize);
    const TilingNoise noise(31u);
    const Colour stone{0.74, 0.7, 0.64}, cloud{0.55, 0.55, 0.56}, vein{0.2, 0.24, 0.3};
    canvas.paintEachPixel([&](int x, int y) {
        const double u = 4.0 * x / textureSize, v = 4.0 * y / textureSize;
        const double turbulence = noise.fractal(u, v, 4, 6);
        // Veins run diagonally; whole turns across the tile keep the pattern seamless.
        const double phase = 2 * pi * (x + 2.0 * y) / textureSize + 3.2 * turbulence;
        const double veins = std::pow(1.0 - std::fabs(std::sin(phase)), 12.0) +
                             0.5 * std::pow(1.0 - std::fabs(std::sin(2.3 * phase + 1)), 16.0);
        const double clouds = 0.5 + 0.5 * noise.fractal(u + 11, v + 5, 4, 4);
        Colour colour = mix(stone, cloud, smoothstep(0.3, 0.8, clouds));
        colour = mix(colour, vein, std::min(1.0, veins));
        return scaled(colour, bevel(x, y, textureSize, 5, 14));
    });
    return canvas.picture();
}

Picture drawMetalPlates() {
    Canvas canvas(textureSize, textureSize);
    const TilingNoise noise(5u);
    const int plate = textureSize / 2;
    canvas.paintEachPixel([&](int x, int y) {
        // Brushed: noise stretched along x.
        const double brushed = noise.fractal(8.0 * x / textureSize, 128.0 * y / textureSize, 8, 3);
        const double stains = noise.fractal(3.0 * x / textureSize, 3.0 * y / textureSize, 3, 4);
        const double level = 0.5 + 0.06 * brushed + 0.08 * stains;
        const Colour steel{level * 0.92, level * 0.96, level};
        return scaled(steel, bevel(x % plate, y % plate, plate, 3, 8));
    });
    cairo_t* cr = canvas.cairo();
    for (int py = 0; py < 2; ++py) {
        for (int px = 0; px < 2; ++px) {
            for (const double cx : {18.0, plate - 18.0}) {
                for (const double cy : {18.0, plate - 18.0}) {
                    const double x = px * plate + cx, y = py * plate + cy;
                    cairo_pattern_t* rivet = cairo_pattern_create_radial(x - 2, y - 2, 0, x, y, 6);
                    cairo_pattern_add_color_stop_rgb(rivet, 0, 0.95, 0.95, 0.97);
                    cairo_pattern_add_color_stop_rgb(rivet, 1, 0.3, 0.31, 0.33);
                    cairo_set_source(cr, rivet);
                    cairo_arc(cr, x, y, 6, 0, 2 * pi);
                    cairo_fill(cr);
                    cairo_pattern_destroy(rivet);
                }
            }
        }
    }
    return canvas.picture();
}

Picture drawCircuitBoard() {
    Canvas canvas(textureSize, textureSize);
    const TilingNoise noise(17u);
    canvas.paintEachPixel([&](int x, int y) {
        const double weave = noise.fractal(32.0 * x / textureSize, 32.0 * y / textureSize, 32, 2);
        return Colour{0.015, 0.07 + 0.015 * weave, 0.05 + 0.01 * weave};
    });
    cairo_t* cr = canvas.cairo();
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    Random random(99u);
    const double cell = 16.0;
    const int cells = static_cast<int>(textureSize / cell);

    // Chips first, so traces run up to their pins.
    for (int i = 0; i < 5; ++i) {
        const double x = random.below(cells) * cell, y = random.below(cells) * cell;
        const double w = (3 + random.below(4)) * cell, h = (2 + random.below(3)) * cell;
        drawWrapped([&](double dx, double dy) {
            setColour(cr, {0.55, 0.57, 0.6});
            for (double px = x + 6; px < x + w - 4; px += 8) {
                cairo_rectangle(cr, dx + px, dy + y - 5, 3, h + 10);
            }
            cairo_fill(cr);
            setColour(cr, {0.04, 0.045, 0.05});
            cairo_rectangle(cr, dx + x, dy + y, w, h);
            cairo_fill(cr);
            setColour(cr, {0.12, 0.13, 0.14});
            cairo_arc(cr, dx + x + 7, dy + y + 7, 3, 0, 2 * pi);
            cairo_fill(cr);
        });
    }

    // Traces: walks along the grid that turn by 45 degrees now and then.
    const int directions[8][2] = {{1, 0},  {1, 1},   {0, 1},  {-1, 1},
                                  {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    for (int i = 0; i < 70; ++i) {
        double x = random.below(cells) * cell, y = random.below(cells) * cell;
        int direction = random.below(4) * 2;
        const double width = random.chance(0.25) ? 4.0 : 2.0;
        const int steps = 4 + random.below(14);
        std::vector<std::pair<double, double>> points{{x, y}};
        for (int s = 0; s < steps; ++s) {
            if (random.chance(0.3)) direction = (direction + (random.chance(0.5) ? 1 : 7)) % 8;
            x += directions[direction][0] * cell;
            y += directions[direction][1] * cell;
            points.push_back({x, y});
        }
        const Colour trace = random.chance(0.7) ? Colour{0.15, 0.8, 0.5} : Colour{0.2, 0.6, 0.9};
        drawWrapped([&](double dx, double dy) {
            setColour(cr, trace, 0.25);
            cairo_set_line_width(cr, width + 4);
            for (const auto& [px, py] : points) cairo_line_to(cr, dx + px, dy + py);
            cairo_stroke(cr);
            setColour(cr, trace);
            cairo_set_line_width(cr, width);
            for (const auto& [px, py] : points) cairo_line_to(cr, dx + px, dy + py);
            cairo_stroke(cr);
            // Pads at both ends.
            setColour(cr, {0.95, 0.75, 0.3});
            for (const auto* end : {&points.front(), &points.back()}) {
                cairo_arc(cr, dx + end->first, dy + end->second, width + 2.5, 0, 2 * pi);
                cairo_fill(cr);
            }
            setColour(cr, {0.02, 0.05, 0.04});
            for (const auto* end : {&points.front(), &points.back()}) {
                cairo_arc(cr, dx + end->first, dy + end->second, 1.5, 0, 2 * pi);
                cairo_fill(cr);
            }
        });
    }
    return canvas.picture();
}

Picture drawColourNoise() {
    Canvas canvas(textureSize, textureSize);
    const TilingNoise noise(2024u);
    const Colour palette[] = {{0.03, 0.02, 0.18},
                              {0.35, 0.05, 0.5},
                              {0.9, 0.2, 0.35},
                              {1.0, 0.6, 0.15},
                              {1.0, 0.95, 0.6}};
    canvas.paintEachPixel([&](int x, int y) {
        const double u = 4.0 * x / textureSize, v = 4.0 * y / textureSize;
        // Warping the lattice by more noise of the same period curls the pattern and keeps it
        // seamless.
        const double warpX = 1.5 * noise.fractal(u + 7, v, 4, 3);
        const double warpY = 1.5 * noise.fractal(u, v + 13, 4, 3);
        const double value = noise.fractal(u + warpX, v + warpY, 4, 6);
        const double t = std::clamp(0.5 + 0.9 * value, 0.0, 0.999) * 4.0;
        const int band = static_cast<int>(t);
        return mix(palette[band], palette[band + 1], smoothstep(0, 1, t - band));
    });
    return canvas.picture();
}
