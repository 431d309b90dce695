#include "scenes/SceneToolkit.h"

#include "GlTest.h"
#include "app/Frame.h"

#include <GL/gl.h>
#include <array>
#include <gtest/gtest.h>

namespace {

using Matrix = std::array<GLfloat, 16>;

Matrix matrix(GLenum which) {
    Matrix m;
    glGetFloatv(which, m.data());
    return m;
}

GLint integer(GLenum which) {
    GLint value = 0;
    glGetIntegerv(which, &value);
    return value;
}

struct ToolkitTest : ::testing::Test {
    void SetUp() override {
        openDemoWindow();
        setInitialGlState();
    }
};

} // namespace

TEST_F(ToolkitTest, OverlayCountsPixelsAndPutsBothMatricesBackWhateverModeWasCurrent) {
    for (const GLenum mode : {GL_PROJECTION, GL_MODELVIEW, GL_TEXTURE}) {
        SCOPED_TRACE(mode);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-1, 2, -3, 4, 1, 50);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(1, 2, 3);
        glRotatef(30, 0, 1, 0);
        const Matrix projection = matrix(GL_PROJECTION_MATRIX);
        const Matrix modelview = matrix(GL_MODELVIEW_MATRIX);
        glMatrixMode(mode);

        beginOverlay();
        endOverlay();

        EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
        EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
        EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
        EXPECT_EQ(integer(GL_PROJECTION_STACK_DEPTH), 1);
        EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), 1);
    }

    // One unit is one pixel from the bottom-left corner; flat geometry lies at depth 0.5.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    beginOverlay();
    glRecti(100, 50, 200, 60);
    endOverlay();
    const Pixels pixels = readWindowPixels();
    EXPECT_EQ(pixels.at(100, 50), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixels.at(199, 59), (Rgb{255, 255, 255}));
    for (const auto& [x, y] : {std::pair{99, 55}, {200, 55}, {150, 49}, {150, 60}})
        EXPECT_EQ(pixels.at(x, y), (Rgb{0, 0, 0})) << x << ", " << y;
    GLfloat depth = 0;
    glReadPixels(150, 55, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 0.5f, 1e-3f);
}

TEST_F(ToolkitTest, FullWindowQuadCoversEveryPixel) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    beginOverlay();
    drawFullWindowQuad();
    endOverlay();
    const Pixels pixels = readWindowPixels();
    int uncovered = 0;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            uncovered += !(pixels.at(x, y) == Rgb{255, 255, 255});
    EXPECT_EQ(uncovered, 0);
}
