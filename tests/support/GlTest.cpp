#include "GlTest.h"

#include "platform/DisplaySettings.h"
#include "platform/GLWindow.h"

#include <GL/gl.h>
#include <cstdlib>
#include <gtest/gtest.h>

void openDemoWindow() {
    static bool opened = false;
    if (opened) return;
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "GL tests need a display: run them with Xvfb";
    ASSERT_TRUE(glWindow.create());
    opened = true;
}

Pixels readWindowPixels() {
    Pixels pixels;
    pixels.width = displaySettings.width;
    pixels.height = displaySettings.height;
    pixels.rgb.resize(static_cast<size_t>(pixels.width) * pixels.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, pixels.width, pixels.height, GL_RGB, GL_UNSIGNED_BYTE, pixels.rgb.data());
    return pixels;
}

Rgb Pixels::at(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

bool near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}
