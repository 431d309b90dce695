#include "app/Frame.h"

#include "GlTest.h"
#include "platform/GLWindow.h"

#include <GL/gl.h>
#include <cmath>
#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <vector>

namespace {
std::vector<int> swapIntervalsAsked;
}

// Records what the window asks of the driver, then asks it: Xvfb's GLX offers no swap control,
// so what the driver grants cannot tell here whether the demo asked.
extern "C" int SDL_GL_SetSwapInterval(int interval) {
    swapIntervalsAsked.push_back(interval);
    using Setter = int (*)(int);
    static const auto sdl = reinterpret_cast<Setter>(dlsym(RTLD_NEXT, "SDL_GL_SetSwapInterval"));
    return sdl(interval);
}

TEST(Window, HasTheDemoSizeTitleAndBuffers) {
    openDemoWindow();
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(glWindow.deviceContext(), &width, &height);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 768);
    EXPECT_STREQ(SDL_GetWindowTitle(glWindow.windowHandle), "Demo");
    GLint red = 0, depth = 0;
    GLboolean doubleBuffered = GL_FALSE;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_EQ(red, 8);
    EXPECT_GE(depth, 16);
    EXPECT_TRUE(doubleBuffered);
    // Swaps wait for the display, adaptively where the driver offers it, so the demo neither
    // tears nor draws frames that are never shown: -1 first, and 1 where that was refused.
    ASSERT_FALSE(swapIntervalsAsked.empty());
    EXPECT_EQ(swapIntervalsAsked[0], -1);
    const int granted = SDL_GL_GetSwapInterval();
    if (granted == 0) {
        EXPECT_EQ(swapIntervalsAsked, (std::vector<int>{-1, 1}));
    }
}

// A page makes the window and its context in tasks of its own (together they were its longest):
// the first half must leave the context, and all that goes with it, to the second.
TEST(Window, OpensInTwoHalvesThatAPageRunsApart) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "GL tests need a display: run them with Xvfb";
    ASSERT_TRUE(glWindow.openWindow());
    EXPECT_NE(glWindow.windowHandle, nullptr);
    EXPECT_EQ(glWindow.glContext, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_TRUE(swapIntervalsAsked.empty());

    ASSERT_TRUE(glWindow.createContext());
    EXPECT_EQ(SDL_GL_GetCurrentContext(), glWindow.glContext);
    EXPECT_FALSE(swapIntervalsAsked.empty());
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(readWindowPixels().at(512, 384), (Rgb{255, 0, 0}));
}

TEST(Frame, ClearsToBlackUnderTheDemoProjection) {
    openDemoWindow();
    setInitialGlState();
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glViewport(0, 0, 10, 10);
    drawFrame(132700); // no row is active
    const Pixels pixels = readWindowPixels();
    for (const auto& [x, y] : {std::pair{0, 0}, {1023, 767}, {512, 384}})
        EXPECT_EQ(pixels.at(x, y), (Rgb{0, 0, 0}));

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat projection[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    const double focal = 1.0 / std::tan(22.5 * 3.14159265358979323846 / 180.0);
    EXPECT_NEAR(projection[0], focal / (1024.0 / 768.0), 1e-5);
    EXPECT_NEAR(projection[5], focal, 1e-5);
    EXPECT_NEAR(projection[14], 2 * 5000.0 * 0.5 / (0.5 - 5000.0), 1e-4);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f);
}
