#include "assets/AssetQueue.h"
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

TEST(DemoCommandLine, TakesGentleAndAStartOnceAndNothingElse) {
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
    EXPECT_EQ(options.startMs, 0);
    ASSERT_TRUE(read({"--gentle"}, options, error));
    EXPECT_TRUE(options.gentle);
    for (const auto& [time, ms] : std::vector<std::pair<const char*, int32_t>>{
             {"80", 80000}, {"40.817", 40817}, {"1:20", 80000}, {"0", 0}, {"2:15.9994", 135999}}) {
        DemoOptions start;
        ASSERT_TRUE(read({"--start", time, "--gentle"}, start, error)) << time << ": " << error;
        EXPECT_EQ(start.startMs, ms) << time;
        EXPECT_TRUE(start.gentle);
    }
    for (const std::vector<const char*>& bad : {std::vector<const char*>{"--gentle", "--gentle"},
                                                {"--fast"},
                                                {"gentle"},
                                                {"--start"},
                                                {"--start", "-5"},
                                                {"--start", "136"},
                                                {"--start", "2:16"},
                                                {"--start", "1e3"},
                                                {"--start", "1:2:3"},
                                                {"--start", "."},
                                                {"--start", "80s"},
                                                {"--start", ""},
                                                {"--start", "9999999999"},
                                                {"--start", "1", "--start", "2"}}) {
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

} // namespace

TEST_F(GentleBannerTest, LoudLevelsShowTheGentlePictureWithoutLeavingTheirDepth) {
    ASSERT_TRUE(writeSolidJpeg("data/city_bw.jpg", 64, 64, 20, 20, 20));
    ASSERT_TRUE(writeSolidJpeg("data/city_bw1.jpg", 64, 64, 255, 255, 255));
    ASSERT_TRUE(writeSineTrack("data/music.ogg", 1.0, 440.0, 0.0));
    ASSERT_TRUE(openMusicTrack());
    BannerScene::load();
    loadQueuedAssets();
    EXPECT_TRUE(recorder.boxes().empty());

    pinSpectrumClock(20000);
    pinSpectrumLevel(0.0f);
    drawFrame(20000);
    const int calm = readWindowPixels().at(512, 384).r;
    EXPECT_NEAR(calm, 20, 2);
    EXPECT_NEAR(depthAtCentre(), windowDepth(4.5), 1e-4);

    // A level of 3.5, where the full demo brings the strip to a unit from the eye in white. Held
    // there it is a loud passage with no beat in it: the gentle picture, and no glow.
    pinSpectrumLevel(3.5f);
    drawFrame(20000);
    const Rgb loud = readWindowPixels().at(512, 384);
    const float rise = relativeLuminance(uint8_t(loud.r), uint8_t(loud.g), uint8_t(loud.b)) -
                       relativeLuminance(uint8_t(calm), uint8_t(calm), uint8_t(calm));
    EXPECT_GT(rise, 0.07f);
    EXPECT_LT(rise, 0.1f);
    EXPECT_NEAR(depthAtCentre(), windowDepth(4.5), 1e-4);

    // Off again, the full demo's own jump is back.
    setGentleFlashes(false);
    drawFrame(20000);
    EXPECT_EQ(readWindowPixels().at(512, 384), (Rgb{255, 255, 255}));
    EXPECT_NEAR(depthAtCentre(), windowDepth(1.0), 1e-4);
}

namespace {

// The first beat of a track of silence with one loud burst from 0.5 to 0.55 s.
int32_t writeOneBeatTrack() {
    if (!writeSineBurstTrack("data/music.ogg", 2.0, 24 * 44100.0 / 1024, 0.9, 0.5, 0.55) ||
        !openMusicTrack())
        return -1;
    prepareBeats();
    const std::vector<int32_t> beats = beatInstants(0, 2000);
    return beats.size() == 1 ? beats[0] : -1;
}

// The banner alone at an instant of the track, as it ends its drift (the strip's right end in
// view).
Pixels bannerAt(int32_t ms) {
    pinSpectrumClock(ms);
    beginFrame(ms);
    BannerScene::draw(1.0f);
    return readWindowPixels();
}

// The first column from the left, along a row of the upper half, where red outweighs green:
// where the picture's red quarter meets its green one.
int firstRedColumn(const Pixels& pixels) {
    for (int x = 0; x < pixels.width; ++x)
        if (pixels.at(x, 500).r > pixels.at(x, 500).g) return x;
    return -1;
}

// The window's picture as 256 stripes, 4 pixels wide, of each grey code in turn.
void paintGreyStripes() {
    glEnable(GL_SCISSOR_TEST);
    for (int code = 0; code < 256; ++code) {
        glScissor(code * 4, 0, 4, 768);
        glClearColor(code / 255.0f, code / 255.0f, code / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 1);
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
    loadQueuedAssets();

    const int still = firstRedColumn(bannerAt(300));
    ASSERT_GT(still, 700);
    // On the beat 3 % nearer, 100 ms on a quarter of that, 200 ms on back; never before it.
    EXPECT_NEAR(firstRedColumn(bannerAt(beat)) - 512, (still - 512) * 1.03, 1.5);
    EXPECT_NEAR(depthAtCentre(), windowDepth(4.5), 1e-4);
    EXPECT_NEAR(firstRedColumn(bannerAt(beat + 100)) - 512, (still - 512) * 1.0075, 1.5);
    EXPECT_EQ(firstRedColumn(bannerAt(beat + 200)), still);
    EXPECT_EQ(firstRedColumn(bannerAt(beat - 5)), still);
}

TEST_F(GentleBannerTest, EachBeatsGlowLiftsEveryGreyByATenthOfWhatItLacksAndEasesBack) {
    ASSERT_TRUE(writeSolidJpeg("data/city_bw.jpg", 64, 64, 20, 20, 20));
    ASSERT_TRUE(writeSolidJpeg("data/city_bw1.jpg", 64, 64, 20, 20, 20));
    const int32_t beat = writeOneBeatTrack();
    ASSERT_GT(beat, 450);
    BannerScene::load();
    loadQueuedAssets();
    // The state every frame leaves for the next, once the intro has switched blending on.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 0.5f);

    const auto glowAt = [](int32_t ms) {
        pinSpectrumClock(ms);
        beginFrame(120000);
        paintGreyStripes();
        drawGentleGlow();
        const Pixels pixels = readWindowPixels();
        std::vector<int> greys;
        for (int code = 0; code < 256; ++code) greys.push_back(pixels.at(code * 4 + 2, 384).r);
        return greys;
    };
    const std::vector<int> onBeat = glowAt(beat);
    float most = 0;
    for (int code = 0; code < 256; ++code) {
        EXPECT_NEAR(onBeat[size_t(code)], code + 0.1 * (255 - code), 1.0) << code;
        const float lift =
            relativeLuminance(uint8_t(onBeat[size_t(code)]), uint8_t(onBeat[size_t(code)]),
                              uint8_t(onBeat[size_t(code)])) -
            relativeLuminance(uint8_t(code), uint8_t(code), uint8_t(code));
        most = std::max(most, lift);
        // Seen (the beat measure's 0.02 of relative luminance) on all but black's and white's
        // neighbours: a lift of white's can only be small.
        if (code >= 30 && code <= 225) {
            EXPECT_GE(lift, 0.02f) << code;
        }
    }
    // Never more than about half of a flash's 0.1, whatever the grey.
    EXPECT_LT(most, 0.055f);
    EXPECT_GT(most, 0.045f);
    // 100 ms on, a quarter of the lift; 200 ms on, none, and nothing drawn.
    const std::vector<int> later = glowAt(beat + 100);
    EXPECT_NEAR(later[0], 0.025 * 255, 1.0);
    EXPECT_NEAR(later[200], 200 + 0.025 * 55, 1.0);
    const std::vector<int> after = glowAt(beat + 200);
    for (int code = 0; code < 256; code += 15) EXPECT_EQ(after[size_t(code)], code);
    // Nor before the beat.
    EXPECT_EQ(glowAt(beat - 5)[100], 100);

    // The glow leaves the state as it found it: later frames and the credits depend on it.
    pinSpectrumClock(beat);
    beginFrame(120000);
    GLfloat projection[16], modelview[16], colour[4], after16[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    drawGentleGlow();
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_ONE);
    EXPECT_EQ(destination, GL_SRC_ALPHA);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[3], 0.5f);
    glGetFloatv(GL_PROJECTION_MATRIX, after16);
    EXPECT_EQ(std::memcmp(after16, projection, sizeof projection), 0);
    glGetFloatv(GL_MODELVIEW_MATRIX, after16);
    EXPECT_EQ(std::memcmp(after16, modelview, sizeof modelview), 0);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    // In a whole gentle frame it comes last, over the banner; without gentle, never.
    pinSpectrumClock(beat);
    drawFrame(120000);
    EXPECT_NEAR(readWindowPixels().at(512, 384).r, 20 + 0.1 * 235, 2.0);
    setGentleFlashes(false);
    drawFrame(120000);
    EXPECT_NEAR(readWindowPixels().at(512, 384).r, 20, 2.0);
}

TEST_F(GentleBannerTest, ALoudPassageHoldsTheLoudPictureForASecondAfterItsLastBeat) {
    // Silence, a loud tone from 2.0 to 2.5 s, silence.
    ASSERT_TRUE(writeSolidJpeg("data/city_bw.jpg", 64, 64, 20, 20, 20));
    ASSERT_TRUE(writeSolidJpeg("data/city_bw1.jpg", 64, 64, 255, 255, 255));
    ASSERT_TRUE(writeSineBurstTrack("data/music.ogg", 5.0, 24 * 44100.0 / 1024, 0.9, 2.0, 2.5));
    ASSERT_TRUE(openMusicTrack());
    BannerScene::load();
    loadQueuedAssets();
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
