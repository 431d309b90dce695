#include "assets/AssetQueue.h"
#include "scenes/BannerScene.h"
#include "scenes/CreditsScene.h"

#include "GlTest.h"
#include "MessageRecorder.h"
#include "ScratchDirectory.h"
#include "TestPictures.h"
#include "app/Frame.h"
#include "audio/Music.h"

#include <GL/gl.h>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>

namespace {

const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255}, black{0, 0, 0},
    magenta{255, 0, 255};

// Pictures in data/: the calm banner and the credits in four quadrants (top-left red, top-right
// green, bottom-left blue, bottom-right white), the loud banner plain magenta.
struct BannerCreditsTest : ::testing::Test {
    ScratchDirectory scratch;
    MessageRecorder recorder;
    void SetUp() override {
        openDemoWindow();
        setInitialGlState();
        pinSpectrumLevel(0.0f);
        ASSERT_TRUE(writeQuadrantJpeg("data/city_bw.jpg", 512, 512));
        ASSERT_TRUE(writeSolidJpeg("data/city_bw1.jpg", 64, 64, 255, 0, 255));
    }
    void TearDown() override { followPlayback(); }
    void loadBannerAndCredits(bool withCredits) {
        if (withCredits) {
            ASSERT_TRUE(writeQuadrantJpeg("data/credits.jpg", 512, 512));
        }
        BannerScene::load();
        CreditsScene::load();
        loadQueuedAssets();
    }
};

// Where the banner's texture coordinate s lands, in window pixels from the left: the strip's
// centre is at x = 15 - 14p, its left end (s = 1) 20 units left of that and its right end (s = 0)
// 20 units right, seen at `distance` through the 45-degree perspective at 4:3.
double bannerWindowX(double s, double progress, double distance) {
    const double x = 15 - 14 * progress + 20 - 40 * s;
    const double focal = 1 / std::tan(22.5 * 3.14159265358979323846 / 180);
    return 512 * (1 + focal / (1024.0 / 768.0) * x / distance);
}

// The window depth of a plane at `distance` in front of the eye (near plane 0.5, far 5000).
double windowDepth(double distance) {
    const double n = 0.5, f = 5000;
    return 0.5 + 0.5 * ((f + n) / (f - n) - 2 * f * n / ((f - n) * distance));
}

double depthAtCentre() {
    GLfloat depth = 0;
    glReadPixels(512, 384, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

// Pixels of the frame that differ from what `expected(x, y)` says; nullopt skips a pixel (seams,
// where filtering blends the colours).
template <class Expected> int mismatches(const Pixels& pixels, Expected expected) {
    int count = 0;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (const std::optional<Rgb> want = expected(x, y))
                count += !near(pixels.at(x, y), *want, 8);
    return count;
}

// The quadrant picture shown upright and unmirrored across the whole window.
std::optional<Rgb> quadrantsUpright(int x, int y) {
    if (std::abs(x - 512) < 16 || std::abs(y - 384) < 16) return std::nullopt;
    return y > 384 ? (x < 512 ? red : green) : (x < 512 ? blue : white);
}

} // namespace

TEST_F(BannerCreditsTest, InSilenceTheBannerFillsTheWindowWithTheCalmPictureMirrored) {
    loadBannerAndCredits(true);
    // At 20000 ms the window sees s from 0.884 at its left edge down to 0.760 at its right: the
    // picture's right half only, whose top is green and bottom white. Unmirrored it would be the
    // left half, red over blue.
    drawFrame(20000);
    EXPECT_EQ(mismatches(readWindowPixels(),
                         [](int, int y) -> std::optional<Rgb> {
                             if (std::abs(y - 384) < 20) return std::nullopt;
                             return y > 384 ? green : white;
                         }),
              0);
    EXPECT_NEAR(depthAtCentre(), windowDepth(4.5), 1e-4);

    // At its last instant the strip's centre, where s = 0.5, is on screen: the picture's right half
    // lies left of it and its left half right of it.
    drawFrame(132500);
    const double seam = bannerWindowX(0.5, 1.0, 4.5);
    EXPECT_EQ(mismatches(readWindowPixels(),
                         [seam](int x, int y) -> std::optional<Rgb> {
                             if (std::abs(y - 384) < 20 || std::abs(x - seam) < 30)
                                 return std::nullopt;
                             const bool top = y > 384;
                             return x < seam ? (top ? green : white) : (top ? red : blue);
                         }),
              0);
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(BannerCreditsTest, OnlyALevelAbove15SwapsThePictureAndPullsTheStripNearer) {
    loadBannerAndCredits(true);
    struct Case {
        float level;
        bool loud;
        double distance;
    };
    const float justAbove = std::nextafter(1.5f, 2.0f);
    for (const Case c :
         {Case{1.5f, false, 4.5}, Case{justAbove, true, 4.5 - justAbove}, Case{2.5f, true, 2.0}}) {
        SCOPED_TRACE(c.level);
        pinSpectrumLevel(c.level);
        drawFrame(20000);
        EXPECT_EQ(mismatches(readWindowPixels(),
                             [&c](int, int y) -> std::optional<Rgb> {
                                 if (c.loud) return magenta;
                                 if (std::abs(y - 384) < 20) return std::nullopt;
                                 return y > 384 ? green : white;
                             }),
                  0);
        EXPECT_NEAR(depthAtCentre(), windowDepth(c.distance), 1e-4);
    }

    // Above 4.0 the strip comes nearer than the near plane and nothing of it is drawn.
    pinSpectrumLevel(4.2f);
    drawFrame(20000);
    EXPECT_EQ(mismatches(readWindowPixels(), [](int, int) -> std::optional<Rgb> { return black; }),
              0);
    EXPECT_EQ(depthAtCentre(), 1.0);
}

TEST_F(BannerCreditsTest, BetweenTheBannerAndTheCreditsTheFrameIsBlack) {
    loadBannerAndCredits(true);
    for (const int32_t ms : {132501, 132750, 132999}) {
        SCOPED_TRACE(ms);
        drawFrame(ms);
        EXPECT_EQ(
            mismatches(readWindowPixels(), [](int, int) -> std::optional<Rgb> { return black; }),
            0);
    }
}

TEST_F(BannerCreditsTest, CreditsFillTheWindowUprightAtFullBrightnessWithTheStateLeftBehind) {
    loadBannerAndCredits(true);
    // Once without blending, as now, and once with the blending the intro switches on for good.
    for (const bool blending : {false, true}) {
        SCOPED_TRACE(blending);
        if (blending) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_ONE, GL_SRC_ALPHA);
        }
        drawFrame(132000); // the banner's last frames leave the colour and texturing on
        for (const int32_t ms : {133000, 134000, 136000}) {
            SCOPED_TRACE(ms);
            drawFrame(ms);
            EXPECT_EQ(mismatches(readWindowPixels(), quadrantsUpright), 0);
        }
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_EQ(colour[3], 0.5f);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_EQ(glIsEnabled(GL_BLEND), blending);
    }
    glDisable(GL_BLEND);
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(BannerCreditsTest, CreditsThatFailedToLoadLeaveTheWindowWhite) {
    loadBannerAndCredits(false);
    ASSERT_EQ(recorder.boxes().size(), 1u);
    EXPECT_EQ(recorder.boxes()[0].text, "Read params error!");
    drawFrame(132000);
    drawFrame(134000);
    EXPECT_EQ(mismatches(readWindowPixels(), [](int, int) -> std::optional<Rgb> { return white; }),
              0);
}
