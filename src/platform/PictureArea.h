#pragma once

#include <cstdint>

struct PixelSize {
    int32_t width;
    int32_t height;
};

// A rectangle of pixels, x and y from the bottom-left as glViewport takes them.
struct PixelRect {
    int32_t x, y, width, height;
};

// Where the demo's picture lies in a drawable of any size: the largest rectangle of the display
// settings' shape, on whole pixels, centred. The rest of the drawable keeps the clear colour: bars
// at the sides of a wide screen, above and below a tall one. A drawable of the settings' own size
// is covered exactly.
PixelRect fitPicture(PixelSize drawable);

// The size in pixels of what the frames are drawn into now: whoever owns it (the window, an
// offscreen framebuffer) says so before drawing, and says so again whenever it may have changed.
// Until then it is the display settings' size.
void setDrawableSize(PixelSize drawable);
PixelSize drawableSize();
