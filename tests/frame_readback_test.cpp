#include "FrameReadback.h"
#include "OffscreenContext.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

const int width = 1024, height = 768;

void put(std::vector<uint8_t>& rgb, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

// From the top: blocks of the primaries, secondaries, black and white; a grey ramp; a smooth
// gradient; and at the bottom one red column in every four, which tells the chroma siting.
std::vector<uint8_t> testPicture() {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    const uint8_t blocks[8][3] = {{0, 0, 0},   {255, 255, 255}, {255, 0, 0},   {0, 255, 0},
                                  {0, 0, 255}, {0, 255, 255},   {255, 0, 255}, {255, 255, 0}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (y < 64) {
                const uint8_t* c = blocks[x / 128];
                put(rgb, x, y, c[0], c[1], c[2]);
            } else if (y < 128) {
                const auto grey = static_cast<uint8_t>(x / 4);
                put(rgb, x, y, grey, grey, grey);
            } else if (y < 704) {
                put(rgb, x, y, static_cast<uint8_t>(x * 255 / 1023),
                    static_cast<uint8_t>((y - 128) * 255 / 575),
                    static_cast<uint8_t>((x + y) % 256));
            } else {
                put(rgb, x, y, x % 4 == 1 ? 255 : 0, 0, 0);
            }
        }
    }
    return rgb;
}

struct Planes {
    const uint8_t* y;
    const uint8_t* u;
    const uint8_t* v;
    explicit Planes(const std::vector<uint8_t>& yuv)
        : y(yuv.data()), u(y + width * height), v(u + width * height / 4) {}
    int chromaIndex(int x, int y) const { return (y / 2) * (width / 2) + x / 2; }
};

} // namespace

TEST(FrameReadback, TheGlColourConversionMatchesTheReferenceWithinOneCode) {
    std::string error;
    ASSERT_TRUE(createOffscreenContext(error)) << error;
    ASSERT_TRUE(createFrameReadback(FrameFormat::Yuv420, error)) << error;
    const std::vector<uint8_t> rgb = testPicture();
    glBindTexture(GL_TEXTURE_2D, offscreenColourTexture());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());

    // State that the demo's frames carry over, which the conversion must leave alone.
    GLuint sceneTexture = 0;
    glGenTextures(1, &sceneTexture);
    glBindTexture(GL_TEXTURE_2D, sceneTexture);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 0.5f);
    glViewport(0, 0, width, height);

    std::vector<uint8_t> gl(frameBytes(FrameFormat::Yuv420)), reference(gl.size());
    startFrameReadback(1);
    finishFrameReadback(1, gl.data());
    convertRgbToYuv420(rgb.data(), width, height, reference.data());
    int differing = 0, largest = 0;
    for (size_t i = 0; i < gl.size(); ++i) {
        const int d = std::abs(gl[i] - reference[i]);
        differing += d != 0;
        largest = std::max(largest, d);
    }
    EXPECT_LE(largest, 1) << differing << " codes differ";

    // The reference itself, at known colours: BT.601's limited range, chroma left-sited.
    const Planes planes(reference);
    const int expected[8][3] = {{16, 128, 128}, {235, 128, 128}, {81, 90, 240},   {145, 54, 34},
                                {41, 240, 110}, {170, 166, 16},  {106, 202, 222}, {210, 16, 146}};
    for (int b = 0; b < 8; ++b) {
        const int x = b * 128 + 64, y = 32;
        EXPECT_EQ(planes.y[y * width + x], expected[b][0]) << "block " << b;
        EXPECT_EQ(planes.u[planes.chromaIndex(x, y)], expected[b][1]) << "block " << b;
        EXPECT_EQ(planes.v[planes.chromaIndex(x, y)], expected[b][2]) << "block " << b;
    }
    // Every chroma sample of the stripes sees its red column at a quarter: a sample centred
    // between two columns would see it at a half or not at all.
    for (int x = 8; x < 16; x += 2) {
        EXPECT_EQ(planes.u[planes.chromaIndex(x, 720)], 119) << x;
        EXPECT_EQ(planes.v[planes.chromaIndex(x, 720)], 156) << x;
    }
    // Row 0 of each plane is the top of the picture: the black block's luma, not the stripes'.
    EXPECT_EQ(Planes(gl).y[0], 16);

    GLint blendSource = 0, bound = 0, active = 0, framebuffer = 0, origin = 0;
    GLfloat colour[4];
    glGetIntegerv(GL_BLEND_SRC_RGB, &blendSource);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glGetIntegerv(GL_CLIP_ORIGIN, &origin);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(blendSource, GL_ONE);
    EXPECT_EQ(static_cast<GLuint>(bound), sceneTexture);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_EQ(static_cast<GLuint>(framebuffer), offscreenFramebuffer());
    EXPECT_EQ(origin, GL_UPPER_LEFT);
    EXPECT_EQ(colour[3], 0.5f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    destroyFrameReadback();

    // The pictures' readback gives the frame's bytes exactly.
    ASSERT_TRUE(createFrameReadback(FrameFormat::Rgb, error)) << error;
    std::vector<uint8_t> back(frameBytes(FrameFormat::Rgb));
    startFrameReadback(0);
    finishFrameReadback(0, back.data());
    EXPECT_TRUE(back == rgb);
    destroyFrameReadback();
    destroyOffscreenContext();
}
