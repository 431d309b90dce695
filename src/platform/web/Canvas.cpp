#include "platform/web/Canvas.h"

#include <cmath>
#include <emscripten/html5.h>

namespace {
const char* const canvas = "#canvas";
}

PixelSize fitCanvasToPage() {
    double cssWidth = 0, cssHeight = 0;
    emscripten_get_element_css_size(canvas, &cssWidth, &cssHeight);
    const double ratio = emscripten_get_device_pixel_ratio();
    const int wantedWidth = static_cast<int>(std::lround(cssWidth * ratio));
    const int wantedHeight = static_cast<int>(std::lround(cssHeight * ratio));
    int width = 0, height = 0;
    emscripten_get_canvas_element_size(canvas, &width, &height);
    // Setting the size clears the canvas, even to the same size: only when it changes.
    if (wantedWidth > 0 && wantedHeight > 0 && (width != wantedWidth || height != wantedHeight))
        emscripten_set_canvas_element_size(canvas, wantedWidth, wantedHeight);
    PixelSize granted{0, 0};
    emscripten_webgl_get_drawing_buffer_size(emscripten_webgl_get_current_context(), &granted.width,
                                             &granted.height);
    return granted;
}
