#include "scenes/BannerScene.h"
#include "scenes/GentleFlashes.h"

#include "GlTest.h"
#include "MessageRecorder.h"
#include "ScratchDirectory.h"
#include "TestPictures.h"
#include "TestTrack.h"
#include "app/CommandLine.h"
#include "app/Frame.h"
#include "assets/Srgb.h"
#include "audio/Beats.h"
#include "audio/Music.h"

#include <GL/gl.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// A picture of width x height from a function of (x, y), as malloc'd pixels.
template <class Paint> RgbPicture makePicture(int width, int height, Paint paint) {
    RgbPicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels = static_cast<uint8_t*>(std::malloc(size_t(width) * height * 3));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) paint(x, y, &picture.pixels[(size_t(y) * width + x) * 3]);
    return picture;
}

float luminanceAt(const RgbPicture& picture, int x, int y) {
    const uint8_t* p = &picture.pixels[(size_t(y) * picture.width + x) * 3];
    return relativeLuminance(p[0], p[1], p[2]);
}

} // namespace

TEST(GentleLoudPicture, KeepsEveryPixelUnderAFlashAndTheLightsShape) {
    // Calm: dark grey. Loud: white on the left, mid grey in the middle, calm's own grey on the
    // right.
    RgbPicture calm = makePicture(30, 4, [](int, int, uint8_t* p) { p[0] = p[1] = p[2] = 30; });
    RgbPicture loud = makePicture(30, 4, [](int x, int, uint8_t* p) {
        p[0] = p[1] = p[2] = x < 10 ? 255 : x < 20 ? 128 : 30;
    });
    RgbPicture gentle = makeGentleLoudPicture(calm, loud);
    ASSERT_NE(gentle.pixels, nullptr);
    ASSERT_EQ(gentle.width, 30);
    const float base = luminanceAt(calm, 0, 0);
    // The brightest change is the most there may be, within a code's rounding.
    EXPECT_NEAR(luminanceAt(gentle, 0, 0) - base, 0.09f, 0.003f);
    // The rest keeps its share of it: the mid grey rises by as much less as it did in the loud
    // picture, and what did not change does not.
    const float share = (luminanceAt(loud, 15, 0) - base) / (luminanceAt(loud, 0, 0) - base);
    EXPECT_NEAR(luminanceAt(gentle, 15, 0) - base, 0.09f * share, 0.003f);
    EXPECT_EQ(gentle.pixels[(25) * 3], 30);
    freeRgbPicture(gentle);

    // A loud picture of another size cannot be mixed in: the calm one stands for it.
    RgbPicture small = makePicture(3, 3, [](int, int, uint8_t* p) { p[0] = p[1] = p[2] = 255; });
    gentle = makeGentleLoudPicture(calm, small);
    ASSERT_NE(gentle.pixels, nullptr);
    EXPECT_EQ(gentle.width, 30);
    EXPECT_EQ(std::memcmp(gentle.pixels, calm.pixels, 30 * 4 * 3), 0);
    for (RgbPicture* p : {&calm, &loud, &gentle, &small}) freeRgbPicture(*p);
}

TEST(GentleLoudPicture, SrgbCodesComeBackFromTheirOwnLight) {
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(srgbFromLinear(linearFromSrgb(static_cast<uint8_t>(code))), code);
    EXPECT_EQ(srgbFromLinear(-1.0f), 0);
    EXPECT_EQ(srgbFromLinear(2.0f), 255);
    EXPECT_NEAR(relativeLuminance(255, 255, 255), 1.0f, 1e-6f);
}

TEST(DemoCommandLine, TakesGentleOnceAndNothingElse) {
    const auto read = [](std::vector<const char*> arguments, DemoOptions& options,
                         std::string& error) {
        arguments.insert(arguments.begin(), "demo");
        return readDemoOptions(static_cast<int>(arguments.size()), arguments.data(), options,
                               error);
    };
    DemoOptions options;
    std::string error;
    ASSERT_TRUE(read({}, options, error));
    EXPECT_FALSE(options.gentle);
    ASSERT_TRUE(read({"--gentle"}, options, error));
    EXPECT_TRUE(options.gentle);
    for (const std::vector<const char*>& bad :
         {std::vector<const char*>{"--gentle", "--gentle"}, {"--fast"}, {"gentle"}}) {
        DemoOptions fresh;
        error.clear();
        EXPECT_FALSE(read(bad, fresh, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

namespace {

// The banner alone, gently, from pictures and a track of the test's own.
struct GentleBannerTest : ::testing::Test {
    ScratchDirectory scratch;
    MessageRecorder recorder;
    void SetUp() override {
        openDemoWindow();
        setInitialGlState();
        setGentleFlashes(true);
    }
    void TearDown() override {
        setGentleFlashes(false);
        followPlayback();
    }
};

double depthAtCentre() {
    GLfloat depth = 0;
    glReadPixels(512, 384, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

// The window depth of a plane at `distance` in front of the eye (near plane 0.5, far 5000).
double windowDepth(double distance) {
    const double n = 0.5, f = 5000;
    return 0.5 + 0.5 * ((f + n) / (f - n) - 2 * f * n / ((f - n) * distance));
}

// The first column from the left, along a row of the upper half, where red outweighs green:
// where the picture's red quarter meets its green one, however bright the picture is drawn.
int firstRedColumn(const Pixels& pixels) {
    for (int x = 0; x < pixels.width; ++x)
        if (pixels.at(x, 500).r > pixels.at(x, 500).g) return x;
    return -1;
}

} // namespace

TEST_F(GentleBannerTest, LoudLevelsShowTheGentlePictureWithoutLeavingTheirDepth) {
    ASSERT_TRUE(writeSolidJpeg("data/city_bw.jpg", 64, 64, 20, 20, 20));
    ASSERT_TRUE(writeSolidJpeg("data/city_bw1.jpg", 64, 64, 255, 255, 255));
    ASSERT_TRUE(writeSineTrack("data/music.ogg", 1.0, 440.0, 0.0));
    ASSERT_TRUE(openMusicTrack());
    BannerScene::load();
    EXPECT_TRUE(recorder.boxes().empty());

    pinSpectrumClock(20000);
    pinSpectrumLevel(0.0f);
    drawFrame(20000);
    const int calm = readWindowPixels().at(512, 384).r;
    EXPECT_NEAR(calm, 20, 2);
    EXPECT_NEAR(depthAtCentre(), windowDepth(4.5), 1e-4);

    // A level of 3.5, where the full demo brings the strip to a unit from the eye in white. Held
    // there it is a loud passage with no beat in it: the gentle picture, 92 % of its light.
    pinSpectrumLevel(3.5f);
    drawFrame(20000);
    const Rgb loud = readWindowPixels().at(512, 384);
    const float rise = relativeLuminance(uint8_t(loud.r), uint8_t(loud.g), uint8_t(loud.b)) -
                       relativeLuminance(uint8_t(calm), uint8_t(calm), uint8_t(calm));
    EXPECT_GT(rise, 0.06f);
    EXPECT_LT(rise, 0.09f);
    EXPECT_NEAR(depthAtCentre(), windowDepth(4.5), 1e-4);
    // The banner leaves the colour the credits, drawn later in the frame, expect.
    beginFrame(20000);
    BannerScene::draw(0.5f);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    EXPECT_EQ(colour[3], 0.5f);

    // Off again, the full demo's own jump is back.
    setGentleFlashes(false);
    drawFrame(20000);
    EXPECT_EQ(readWindowPixels().at(512, 384), (Rgb{255, 255, 255}));
    EXPECT_NEAR(depthAtCentre(), windowDepth(1.0), 1e-4);
}

namespace {

// The banner alone at an instant of the track, as it ends its drift (the strip's right end in
// view); the pixels.
Pixels bannerAt(int32_t ms, float progress = 1.0f) {
    pinSpectrumClock(ms);
    beginFrame(ms);
    BannerScene::draw(progress);
    return readWindowPixels();
}

// The first beat of a track of silence with one loud burst from 0.5 to 0.55 s.
int32_t writeOneBeatTrack() {
    if (!writeSineBurstTrack("data/music.ogg", 2.0, 24 * 44100.0 / 1024, 0.9, 0.5, 0.55) ||
        !openMusicTrack())
        return -1;
    prepareBeats();
    const std::vector<int32_t> beats = beatInstants(0, 2000);
    return beats.size() == 1 ? beats[0] : -1;
}

} // namespace

TEST_F(GentleBannerTest, EachBeatIsAJumpOfTheStripSeenNearerThatEasesBack) {
    // The strip's right end (s = 0, the picture's left half: red over blue) is in the window as
    // the banner ends; seen nearer, where it meets the calm (green) half moves out from the
    // window's centre by as much.
    ASSERT_TRUE(writeQuadrantJpeg("data/city_bw.jpg", 256, 256));
    ASSERT_TRUE(writeQuadrantJpeg("data/city_bw1.jpg", 256, 256));
    const int32_t beat = writeOneBeatTrack();
    ASSERT_GT(beat, 450);
    BannerScene::load();

    const int still = firstRedColumn(bannerAt(300));
    ASSERT_GT(still, 512);
    // On the beat 9 % nearer; 100 ms on, a quarter of that; 200 ms on, back.
    EXPECT_NEAR(firstRedColumn(bannerAt(beat)) - 512, (still - 512) * 1.09, 2.0);
    EXPECT_NEAR(depthAtCentre(), windowDepth(4.5), 1e-4);
    EXPECT_NEAR(firstRedColumn(bannerAt(beat + 100)) - 512, (still - 512) * 1.0225, 2.0);
    EXPECT_EQ(firstRedColumn(bannerAt(beat + 200)), still);
    // However the frames fall, the first after the beat has jumped most: none before it has.
    EXPECT_EQ(firstRedColumn(bannerAt(beat - 5)), still);
}

TEST_F(GentleBannerTest, EachBeatLightsTheLoudPictureThatDimsTo92PercentBetweenThem) {
    ASSERT_TRUE(writeSolidJpeg("data/city_bw.jpg", 64, 64, 20, 20, 20));
    ASSERT_TRUE(writeSolidJpeg("data/city_bw1.jpg", 64, 64, 255, 255, 255));
    const int32_t beat = writeOneBeatTrack();
    ASSERT_GT(beat, 450);
    BannerScene::load();
    const int calm = bannerAt(300, 0.5f).at(512, 384).r;
    const int lit = bannerAt(beat, 0.5f).at(512, 384).r;
    const int between = bannerAt(beat + 300, 0.5f).at(512, 384).r;
    EXPECT_NEAR(calm, 20, 2);
    EXPECT_GT(lit, calm + 40);
    EXPECT_NEAR(between, lit * 0.92, 1.0);
    // A second after the last loud reading the passage is over: the calm picture, in full.
    EXPECT_EQ(bannerAt(1700, 0.5f).at(512, 384).r, calm);
}

TEST_F(GentleBannerTest, ALoudPassageHoldsTheLoudPictureForASecondAfterItsLastBeat) {
    // Silence, a loud tone from 2.0 to 2.5 s, silence.
    ASSERT_TRUE(writeSolidJpeg("data/city_bw.jpg", 64, 64, 20, 20, 20));
    ASSERT_TRUE(writeSolidJpeg("data/city_bw1.jpg", 64, 64, 255, 255, 255));
    ASSERT_TRUE(writeSineBurstTrack("data/music.ogg", 5.0, 24 * 44100.0 / 1024, 0.9, 2.0, 2.5));
    ASSERT_TRUE(openMusicTrack());
    BannerScene::load();
    pinSpectrumClock(2200);
    ASSERT_GT(music.spectrumLevel(), 1.5f);

    // The banner alone: the intro would cover it in the first seconds.
    const auto lit = [](int32_t ms) {
        pinSpectrumClock(ms);
        beginFrame(ms);
        BannerScene::draw(0.5f);
        return readWindowPixels().at(512, 384).r > 40;
    };
    EXPECT_FALSE(lit(1900));
    EXPECT_TRUE(lit(2100));
    EXPECT_TRUE(lit(3400)); // 0.9 s after the last loud reading
    EXPECT_FALSE(lit(3600));
    // Each instant shows the same whatever was drawn before it, or nothing was.
    ASSERT_TRUE(lit(3400));
    const Pixels after = readWindowPixels();
    prepareGentleFlashes();
    ASSERT_TRUE(lit(3400));
    EXPECT_EQ(readWindowPixels().rgb, after.rgb);
}
