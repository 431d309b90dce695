#include "FlashAnalysis.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

// 24 frames a second: flashes at 2, 3 and 4 Hz turn every 6, 4 and 3 frames.
constexpr int fps = 24;

// A synthetic recording of frames of size x size pixels. paint(frame, x, y) gives each pixel.
using Painter = std::function<void(int frame, int x, int y, uint8_t rgb[3])>;

struct Verdicts {
    std::vector<FlashReading> luminance, red;
    bool failed = false;
    std::string summary;

    FlashResult worst(const std::vector<FlashReading>& readings) const {
        FlashResult worst = FlashResult::Pass;
        for (const FlashReading& r : readings) worst = std::max(worst, r.result);
        return worst;
    }
    FlashResult worstLuminance() const { return worst(luminance); }
    FlashResult worstRed() const { return worst(red); }
    int mostTransitions() const {
        int most = 0;
        for (const FlashReading& r : luminance) most = std::max(most, r.transitions);
        return most;
    }
};

// Runs frames through the same pieces the analysis of a recording uses, keeping every reading.
Verdicts analyse(int frames, const Painter& paint, PixelSize size = {128, 96}) {
    const PixelRect picture = fitPicture(size);
    CellGrid grid(size, picture);
    FlashTrack luminance(grid.width(), grid.height(), fps, flashLimits::luminanceChange, true);
    FlashTrack red(grid.width(), grid.height(), fps, flashLimits::redChange, false);
    FlashAnalysis whole(size, fps);
    std::vector<uint8_t> rgb(static_cast<size_t>(size.width) * size.height * 3);
    CellFrame cells;
    Verdicts verdicts;
    for (int f = 0; f < frames; ++f) {
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x)
                paint(f, x, y, &rgb[(static_cast<size_t>(y) * size.width + x) * 3]);
        double meanLuminance = 0, meanRed = 0;
        grid.measure(rgb.data(), cells, meanLuminance, meanRed);
        verdicts.luminance.push_back(luminance.add(cells.luminance, meanLuminance));
        verdicts.red.push_back(red.add(cells.red, meanRed));
        whole.addFrame(f * 1000 / fps, rgb.data());
    }
    verdicts.failed = whole.failed();
    verdicts.summary = whole.summary();
    return verdicts;
}

void setGrey(uint8_t rgb[3], uint8_t v) {
    rgb[0] = rgb[1] = rgb[2] = v;
}

// Black and white, turning every halfPeriod frames, wherever inside(x, y) holds.
Painter squareWave(int halfPeriod, std::function<bool(int, int)> inside) {
    return [=](int frame, int x, int y, uint8_t rgb[3]) {
        setGrey(rgb, inside(x, y) && (frame / halfPeriod) % 2 == 1 ? 255 : 0);
    };
}

bool everywhere(int, int) {
    return true;
}

// Runs exact cell values through one tracker: `cells` cells, `lit` of them at `high`, the rest at
// `low`, turning every halfPeriod frames.
FlashResult trackCells(int gridSize, int lit, float low, float high, int halfPeriod, int frames,
                       double threshold, bool darkerRule) {
    FlashTrack track(gridSize, gridSize, fps, threshold, darkerRule);
    FlashResult worst = FlashResult::Pass;
    std::vector<float> cells(static_cast<size_t>(gridSize) * gridSize);
    for (int f = 0; f < frames; ++f) {
        const bool on = (f / halfPeriod) % 2 == 1;
        for (size_t i = 0; i < cells.size(); ++i)
            cells[i] = on && static_cast<int>(i) < lit ? high : low;
        worst = std::max(worst, track.add(cells, 0).result);
    }
    return worst;
}

} // namespace

TEST(FlashAnalysis, FullPictureFlashesAtTwoThreeAndFourHertz) {
    // 4 Hz: 8 transitions a second, more than 3 flashes, from the 7th transition on.
    const Verdicts four = analyse(2 * fps, squareWave(3, everywhere));
    EXPECT_EQ(four.worstLuminance(), FlashResult::Fail);
    EXPECT_EQ(four.mostTransitions(), 8);
    EXPECT_TRUE(four.failed);
    // The 7th transition comes at frame 21 (they come at 3, 6, ... 21).
    EXPECT_EQ(four.luminance[20].result, FlashResult::Warning);
    EXPECT_EQ(four.luminance[21].result, FlashResult::Fail);

    // 3 Hz: 3 flashes a second is not more than 3, but held for 5 seconds it is extended flashing.
    const Verdicts threeShort = analyse(3 * fps, squareWave(4, everywhere));
    EXPECT_EQ(threeShort.worstLuminance(), FlashResult::Warning);
    EXPECT_EQ(threeShort.mostTransitions(), 6);
    EXPECT_FALSE(threeShort.failed);
    const Verdicts threeLong = analyse(7 * fps, squareWave(4, everywhere));
    EXPECT_EQ(threeLong.worstLuminance(), FlashResult::Extended);
    EXPECT_TRUE(threeLong.failed);

    // 2 Hz: a warning; held, extended flashing too, and said so with where it lies.
    const Verdicts two = analyse(3 * fps, squareWave(6, everywhere));
    EXPECT_EQ(two.worstLuminance(), FlashResult::Warning);
    EXPECT_FALSE(two.failed);
    EXPECT_NE(two.summary.find("luminance flashes: passes, with warnings"), std::string::npos)
        << two.summary;
    const Verdicts twoLong = analyse(8 * fps, squareWave(6, everywhere));
    EXPECT_EQ(twoLong.worstLuminance(), FlashResult::Extended);
    EXPECT_NE(twoLong.summary.find("luminance flashes: FAILS"), std::string::npos)
        << twoLong.summary;
    EXPECT_NE(twoLong.summary.find("red flashes: passes\n"), std::string::npos) << twoLong.summary;

    // 1 Hz never warns.
    EXPECT_EQ(analyse(4 * fps, squareWave(12, everywhere)).worstLuminance(), FlashResult::Pass);
}

TEST(FlashAnalysis, OnlyFlashesOverAQuarterOfATenDegreeFieldCount) {
    // Stripes over a fifth, then three tenths, of the picture, spread evenly: every field (43 x 32
    // cells, one cell a pixel here) holds about as much of them as the picture does.
    const auto stripes = [](int share) { return [share](int x, int) { return x % 10 < share; }; };
    EXPECT_EQ(analyse(2 * fps, squareWave(3, stripes(2))).worstLuminance(), FlashResult::Pass);
    EXPECT_EQ(analyse(2 * fps, squareWave(3, stripes(3))).worstLuminance(), FlashResult::Fail);
    // The same fifth of the picture in one block fills whole fields: it fails.
    const auto block = [](int x, int) { return x < 128 / 5; };
    EXPECT_EQ(analyse(2 * fps, squareWave(3, block)).worstLuminance(), FlashResult::Fail);
    // Eight places, each changing once, lighter and darker by turns, a twelfth of a second apart:
    // eight transitions in two thirds of a second on the screen, but a flash is a pair of them in
    // one place, and no place has more than a few.
    const Verdicts apart = analyse(2 * fps, [](int frame, int x, int y, uint8_t rgb[3]) {
        const int place = x / 32 + 4 * (y / 48);
        const bool changed = frame >= 2 + 2 * place;
        setGrey(rgb, (place % 2 == 0) == changed ? 255 : 0);
    });
    EXPECT_EQ(apart.worstLuminance(), FlashResult::Pass);
    EXPECT_LE(apart.mostTransitions(), 3);
    // A block of a fifth of a field anywhere does not.
    const auto small = [](int x, int y) { return x >= 60 && x < 79 && y >= 40 && y < 54; };
    EXPECT_EQ(analyse(2 * fps, squareWave(3, small)).worstLuminance(), FlashResult::Pass);
}

TEST(FlashAnalysis, SlowFadesAndMovingPatternsAreNoFlashes) {
    // Black to white over two seconds, then back over two: one transition each way.
    const Verdicts fade = analyse(5 * fps, [](int frame, int, int, uint8_t rgb[3]) {
        const int t = std::min(frame, 4 * fps - frame);
        setGrey(rgb, static_cast<uint8_t>(std::clamp(t * 255 / (2 * fps), 0, 255)));
    });
    EXPECT_EQ(fade.worstLuminance(), FlashResult::Pass);
    EXPECT_EQ(fade.mostTransitions(), 1);

    // High-contrast stripes sliding sideways: every cell flickers, but as much of each field turns
    // light as turns dark.
    const Verdicts sliding = analyse(3 * fps, [](int frame, int x, int, uint8_t rgb[3]) {
        setGrey(rgb, ((x + 3 * frame) / 6) % 2 ? 255 : 0);
    });
    EXPECT_EQ(sliding.worstLuminance(), FlashResult::Pass);
}

TEST(FlashAnalysis, SaturatedRedFlashesAreMeasuredApart) {
    // Pure red against a grey of the same luminance: no luminance flash, a red one.
    const Verdicts red = analyse(2 * fps, [](int frame, int, int, uint8_t rgb[3]) {
        const bool on = (frame / 3) % 2 == 1;
        rgb[0] = on ? 255 : 127;
        rgb[1] = rgb[2] = on ? 0 : 127;
    });
    EXPECT_EQ(red.worstLuminance(), FlashResult::Pass);
    EXPECT_EQ(red.worstRed(), FlashResult::Fail);
    EXPECT_TRUE(red.failed);
    EXPECT_NE(red.summary.find("red flashes: FAILS"), std::string::npos) << red.summary;
    // Pure red reads 320, the most there is.
    EXPECT_NEAR(red.red[3].mean, 320.0, 0.01);

    // Red rising from black over three seconds is one transition, not a flash.
    const Verdicts rising = analyse(4 * fps, [](int frame, int, int, uint8_t rgb[3]) {
        rgb[0] = static_cast<uint8_t>(std::min(255, frame * 255 / (3 * fps)));
        rgb[1] = rgb[2] = 0;
    });
    EXPECT_EQ(rising.worstRed(), FlashResult::Pass);

    // Orange is not saturated red (red is less than 0.8 of the three): it never counts.
    const Verdicts orange = analyse(2 * fps, [](int frame, int, int, uint8_t rgb[3]) {
        const bool on = (frame / 3) % 2 == 1;
        rgb[0] = on ? 255 : 0;
        rgb[1] = on ? 140 : 0; // linear 0.26: red is 0.79 of the sum
        rgb[2] = 0;
    });
    EXPECT_EQ(orange.worstRed(), FlashResult::Pass);
    EXPECT_DOUBLE_EQ(orange.red[3].mean, 0.0);
}

TEST(FlashAnalysis, ThresholdEdges) {
    // Luminance: a change of at least 0.1, where the darker state is below 0.8.
    EXPECT_EQ(trackCells(12, 144, 0.2f, 0.299f, 3, 2 * fps, 0.1, true), FlashResult::Pass);
    EXPECT_EQ(trackCells(12, 144, 0.2f, 0.301f, 3, 2 * fps, 0.1, true), FlashResult::Fail);
    EXPECT_EQ(trackCells(12, 144, 0.81f, 1.0f, 3, 2 * fps, 0.1, true), FlashResult::Pass);
    EXPECT_EQ(trackCells(12, 144, 0.79f, 1.0f, 3, 2 * fps, 0.1, true), FlashResult::Fail);
    // Red: a change of more than 20.
    EXPECT_EQ(trackCells(12, 144, 0.0f, 20.0f, 3, 2 * fps, 20, false), FlashResult::Pass);
    EXPECT_EQ(trackCells(12, 144, 0.0f, 20.5f, 3, 2 * fps, 20, false), FlashResult::Fail);
    // Area: a 12 x 12 grid has fields of 4 x 4 cells; a quarter is 4 cells (the first 4 of row 0).
    EXPECT_EQ(trackCells(12, 3, 0.0f, 1.0f, 3, 2 * fps, 0.1, true), FlashResult::Pass);
    EXPECT_EQ(trackCells(12, 4, 0.0f, 1.0f, 3, 2 * fps, 0.1, true), FlashResult::Fail);
}

TEST(FlashAnalysis, CountsFlashesInEachSecondAndExtendedFlashingOverFive) {
    // Transitions at chosen frames of a full grid of cells.
    const auto run = [](const std::vector<int>& turns, int frames) {
        FlashTrack track(12, 12, fps, 0.1, true);
        std::vector<float> cells(144, 0.0f);
        std::vector<FlashReading> readings;
        bool on = false;
        for (int f = 0; f < frames; ++f) {
            if (std::find(turns.begin(), turns.end(), f) != turns.end()) on = !on;
            std::fill(cells.begin(), cells.end(), on ? 1.0f : 0.0f);
            readings.push_back(track.add(cells, 0));
        }
        return readings;
    };
    // Seven transitions within 24 frames fail; the same seven spread over 25 frames do not.
    const auto seven = run({1, 4, 8, 12, 16, 20, 24}, 30);
    EXPECT_EQ(seven[24].transitions, 7);
    EXPECT_EQ(seven[24].result, FlashResult::Fail);
    const auto spread = run({1, 5, 9, 13, 17, 21, 25}, 30);
    EXPECT_EQ(spread[25].transitions, 6);
    EXPECT_EQ(spread[25].result, FlashResult::Warning);

    // 2 Hz: warnings from the 4th transition on, and extended flashing once 4 seconds of them
    // are in.
    std::vector<int> twoHz;
    for (int f = 6; f < 6 * fps; f += 6) twoHz.push_back(f);
    const auto held = run(twoHz, 6 * fps);
    int firstExtended = -1;
    for (size_t f = 0; f < held.size(); ++f)
        if (held[f].result == FlashResult::Extended && firstExtended < 0)
            firstExtended = static_cast<int>(f);
    // The 4th transition (frame 24) starts the warnings; 4 seconds of them end at frame 119.
    EXPECT_EQ(held[23].result, FlashResult::Pass);
    EXPECT_EQ(held[24].result, FlashResult::Warning);
    EXPECT_EQ(firstExtended, 24 + 4 * fps - 1);
}

TEST(FlashAnalysis, CellsTakeThePictureWithoutItsBars) {
    // 160 x 96 holds a 128 x 96 picture between bars of 16 columns: white bars, black picture.
    const PixelSize size{160, 96};
    CellGrid grid(size, fitPicture(size));
    std::vector<uint8_t> rgb(static_cast<size_t>(size.width) * size.height * 3, 0);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            if (x < 16 || x >= 144)
                setGrey(&rgb[(static_cast<size_t>(y) * size.width + x) * 3], 255);
    CellFrame cells;
    double luminance = -1, red = -1;
    grid.measure(rgb.data(), cells, luminance, red);
    EXPECT_DOUBLE_EQ(luminance, 0.0);
    EXPECT_DOUBLE_EQ(red, 0.0);

    // Mid grey (sRGB 128) is 0.2159 in relative luminance; the 1024 x 768 grid has 256 x 192 cells.
    const PixelSize full{1024, 768};
    CellGrid fine(full, fitPicture(full));
    EXPECT_EQ(fine.width(), 256);
    EXPECT_EQ(fine.height(), 192);
    std::vector<uint8_t> grey(static_cast<size_t>(full.width) * full.height * 3, 128);
    fine.measure(grey.data(), cells, luminance, red);
    EXPECT_NEAR(luminance, 0.2159, 0.0001);
    EXPECT_NEAR(cells.luminance[1000], 0.2159f, 0.0001f);
}
