// The web build's GLU replacements (src/platform/web) against Mesa's GLU itself, natively: the
// same matrices to the last bit and the same mipmap levels byte for byte.

#include "platform/web/GluMatrices.h"
#include "platform/web/GluMipmaps.h"

#include "GlTest.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <array>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace {

using Matrix = std::array<GLfloat, 16>;

Matrix modelview() {
    Matrix m;
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

// Something other than the identity underneath, so that replacing the matrix instead of
// multiplying onto it shows.
void loadStartingMatrix() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.5f, -2, 3);
    glRotatef(25, 0.3f, 1, 0.2f);
    glScalef(1.5f, 0.75f, 2);
}

struct Camera {
    double eye[3], centre[3], up[3];
};

struct WebGluTest : ::testing::Test {
    void SetUp() override { openDemoWindow(); }
};

TEST_F(WebGluTest, LookAtMultipliesTheMatrixGluMultiplies) {
    std::vector<Camera> cameras = {
        {{0, 0, -7}, {0, 0, 0}, {0, 1, 0}}, // the intro's
        {{3, 4, 5}, {-1, 0.5, 2}, {0.1, 1, -0.2}},
        {{0, 10, 0}, {0, 0, 0}, {0, 1, 0}}, // looking along up: GLU leaves the side vector at 0
    };
    // The orbit shots' eyes, along the whole path of each.
    for (double p = 0; p <= 1.0; p += 0.125)
        cameras.push_back({{std::sin(p), -8 * p, std::cos(p)}, {0, 0, 0}, {0, 1, 0}});
    for (const Camera& c : cameras) {
        SCOPED_TRACE(testing::Message() << c.eye[0] << " " << c.eye[1] << " " << c.eye[2]);
        loadStartingMatrix();
        gluLookAt(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1], c.centre[2], c.up[0],
                  c.up[1], c.up[2]);
        const Matrix byGlu = modelview();

        loadStartingMatrix();
        float rotation[16];
        lookAtRotation(c.eye[0], c.eye[1], c.eye[2], c.centre[0], c.centre[1], c.centre[2], c.up[0],
                       c.up[1], c.up[2], rotation);
        glMultMatrixf(rotation);
        glTranslated(-c.eye[0], -c.eye[1], -c.eye[2]);
        EXPECT_EQ(modelview(), byGlu);
    }
}

TEST_F(WebGluTest, PerspectiveMultipliesTheMatrixGluMultiplies) {
    const double cases[][4] = {{45, 1024.0 / 768, 0.5, 5000}, {60, 1, 1, 10}, {10, 0.5, 2, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        loadStartingMatrix();
        gluPerspective(c[0], c[1], c[2], c[3]);
        const Matrix byGlu = modelview();

        loadStartingMatrix();
        double matrix[16];
        ASSERT_TRUE(perspectiveMatrix(c[0], c[1], c[2], c[3], matrix));
        glMultMatrixd(matrix);
        EXPECT_EQ(modelview(), byGlu);
    }
    double untouched[16] = {};
    EXPECT_FALSE(perspectiveMatrix(45, 1, 5, 5, untouched));
    EXPECT_FALSE(perspectiveMatrix(0, 1, 1, 5, untouched));
    EXPECT_FALSE(perspectiveMatrix(45, 0, 1, 5, untouched));
}

TEST(WebGluMipmaps, NearestPowerOfTwoRoundsAsGluDoes) {
    EXPECT_EQ(nearestPowerOfTwo(1), 1);
    EXPECT_EQ(nearestPowerOfTwo(512), 512);
    EXPECT_EQ(nearestPowerOfTwo(640), 512);
    EXPECT_EQ(nearestPowerOfTwo(767), 512);
    EXPECT_EQ(nearestPowerOfTwo(768), 1024);
    EXPECT_EQ(nearestPowerOfTwo(4096), 4096);
}

struct Level {
    int width, height;
    std::vector<uint8_t> pixels; // packed rows
};

struct Collected {
    int components;
    std::vector<Level> levels;
};

void collectLevel(void* context, int level, int width, int height, int alignment,
                  const uint8_t* pixels) {
    auto& collected = *static_cast<Collected*>(context);
    EXPECT_EQ(level, static_cast<int>(collected.levels.size()));
    const int row = width * collected.components;
    const int stride = (row + alignment - 1) / alignment * alignment;
    Level packed{width, height, {}};
    for (int y = 0; y < height; ++y)
        packed.pixels.insert(packed.pixels.end(), pixels + y * stride, pixels + y * stride + row);
    collected.levels.push_back(std::move(packed));
}

// Every level of the bound texture, as GL holds it.
std::vector<Level> readTextureLevels(GLenum format, int components) {
    std::vector<Level> levels;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int level = 0;; ++level) {
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
        if (width == 0 || height == 0) break;
        Level read{width, height, std::vector<uint8_t>(size_t(width) * height * components)};
        glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, read.pixels.data());
        levels.push_back(std::move(read));
        if (width == 1 && height == 1) break;
    }
    return levels;
}

struct Picture {
    int width, height;
    GLenum format;
    int components;
    int alignment;
};

// Smooth gradients with a little noise, so that every weight of the box filter shows.
std::vector<uint8_t> makePixels(const Picture& p, int rowBytes) {
    std::vector<uint8_t> pixels(size_t(rowBytes) * p.height, 0xEE);
    uint32_t seed = 12345;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            for (int k = 0; k < p.components; ++k) {
                seed = seed * 1664525u + 1013904223u;
                const int value = (x * 255 / p.width + y * 97 / p.height + k * 60) % 256;
                pixels[size_t(y) * rowBytes + x * p.components + k] =
                    static_cast<uint8_t>((value + (seed >> 29)) % 256);
            }
    return pixels;
}

TEST_F(WebGluTest, MipmapLevelsEqualGlusByteForByte) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    // GLU uploads the first level it makes (scaled or halved) with the caller's unpack alignment
    // although it packed that level's rows: where they fall short of the alignment, the level
    // comes out sheared. The demo uploads at alignment 1, and the cases keep clear of it.
    const Picture pictures[] = {
        {1024, 768, GL_RGB, 3, 1}, // the logo and the credits: scaled up to 1024 x 1024
        {4096, 512, GL_RGB, 3, 1}, // the banner: already powers of two
        {512, 512, GL_RGB, 3, 1},         {640, 480, GL_RGB, 3, 1},
        {256, 600, GL_RGB, 3, 1}, // scaled in height only, down: boxes of up to three rows
        {333, 97, GL_RGB, 3, 4},  // rows padded from 999 to 1000 bytes
        {100, 3, GL_RGBA, 4, 4},          {256, 1, GL_RGB, 3, 2},
        {1, 256, GL_LUMINANCE, 1, 1},     {1, 300, GL_LUMINANCE, 1, 1},
        {6, 6, GL_LUMINANCE_ALPHA, 2, 8},
    };
    for (const Picture& p : pictures) {
        SCOPED_TRACE(testing::Message() << p.width << " x " << p.height << ", " << p.components
                                        << " components, alignment " << p.alignment);
        const int row = p.width * p.components;
        const int rowBytes = (row + p.alignment - 1) / p.alignment * p.alignment;
        const std::vector<uint8_t> pixels = makePixels(p, rowBytes);

        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, p.alignment);
        ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, p.components, p.width, p.height, p.format,
                                    GL_UNSIGNED_BYTE, pixels.data()),
                  0);
        const std::vector<Level> byGlu = readTextureLevels(p.format, p.components);
        glDeleteTextures(1, &texture);

        Collected ours{p.components, {}};
        ASSERT_TRUE(buildMipmapLevels(pixels.data(), p.width, p.height, p.components, p.alignment,
                                      maxSize, collectLevel, &ours));
        // In steps of 7 scaled rows or a level, as the page builds them between its frames.
        Collected stepped{p.components, {}};
        MipmapBuild build;
        ASSERT_TRUE(startMipmapBuild(build, pixels.data(), p.width, p.height, p.components,
                                     p.alignment, maxSize));
        size_t steps = 1;
        while (!stepMipmapBuild(build, collectLevel, &stepped, 7)) ++steps;
        EXPECT_GE(steps, byGlu.size());
        for (const Collected* built : {&ours, &stepped}) {
            ASSERT_EQ(built->levels.size(), byGlu.size());
            for (size_t level = 0; level < byGlu.size(); ++level) {
                SCOPED_TRACE(testing::Message() << "level " << level);
                EXPECT_EQ(built->levels[level].width, byGlu[level].width);
                EXPECT_EQ(built->levels[level].height, byGlu[level].height);
                EXPECT_TRUE(built->levels[level].pixels == byGlu[level].pixels);
            }
        }
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

} // namespace
