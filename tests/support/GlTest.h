#pragma once

#include <cstdint>
#include <vector>

// Opens the demo's real window and GL context once per process (under the test run's Xvfb) and
// fails the test when there is no display.
void openDemoWindow();

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
};

// The back buffer as drawn so far, RGB rows bottom row first, read with glReadPixels.
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    // x from the left, y from the bottom, as OpenGL counts them.
    Rgb at(int x, int y) const;
};
Pixels readWindowPixels();

// Each channel within tolerance.
bool near(Rgb a, Rgb b, int tolerance);
