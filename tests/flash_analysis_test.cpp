#include "FlashAnalysis.h"
#include "FrameTimes.h"

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

namespace {

// A recording at 60 fps of 128 x 96 pixels, run through the whole analysis with its beats; the
// analysis's own reading of which it answers.
BeatAnswers answersOf(int frames, const std::vector<int32_t>& beats, const Painter& paint,
                      std::string* summary = nullptr) {
    const PixelSize size{128, 96};
    const int rate = 60;
    FlashAnalysis analysis(size, rate);
    analysis.setBeats(beats);
    std::vector<uint8_t> rgb(static_cast<size_t>(size.width) * size.height * 3);
    for (int f = 0; f < frames; ++f) {
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x)
                paint(f, x, y, &rgb[(static_cast<size_t>(y) * size.width + x) * 3]);
        analysis.addFrame(instantOfFrame(f, rate), rgb.data());
    }
    if (summary) *summary = analysis.summary();
    return analysis.beatAnswers();
}

// Beats every 480 ms from 300 ms on, as the default track's are, over `seconds`.
std::vector<int32_t> beatsEvery480(int seconds) {
    std::vector<int32_t> beats;
    for (int32_t ms = 300; ms < seconds * 1000; ms += 480) beats.push_back(ms);
    return beats;
}

// A dark picture with a thin bright bar sliding across it two pixels a frame (a picture that moves
// all the time, over about 3 % of it), and on the beats that `answers` picks, a block of `share`
// of the picture 0.05 brighter in relative luminance, fading over 150 ms, from `lateMs` after the
// beat.
Painter answeringPicture(const std::vector<int32_t>& beats, std::function<bool(size_t)> answers,
                         double share = 0.3, int lateMs = 0) {
    return [=](int frame, int x, int, uint8_t rgb[3]) {
        const int32_t ms = instantOfFrame(frame, 60);
        double lift = 0;
        for (size_t b = 0; b < beats.size(); ++b) {
            const int32_t since = ms - beats[b] - lateMs;
            if (answers(b) && since >= 0 && since < 150) lift = 1.0 - since / 150.0;
        }
        const bool bar = (x + 2 * frame) % 64 < 2;
        const bool block = x < 128 * share;
        // Grey 40 is 0.021 in relative luminance, 78 is 0.076: the block rises by 0.055.
        setGrey(rgb, bar ? 200 : block ? static_cast<uint8_t>(40 + 38 * lift) : 40);
    };
}

} // namespace

TEST(BeatAnswers, EveryBeatNoneOrEveryOther) {
    const std::vector<int32_t> beats = beatsEvery480(5); // 10 beats
    std::string summary;
    const BeatAnswers every =
        answersOf(5 * 60, beats, answeringPicture(beats, [](size_t) { return true; }), &summary);
    EXPECT_EQ(every.beats, 10);
    EXPECT_EQ(every.answered, 10);
    EXPECT_TRUE(every.missed.empty());
    EXPECT_NE(summary.find("beats: 10 of the 10 the level finds answered by a visible change "
                           "within 50 ms (1.00)\n"),
              std::string::npos)
        << summary;

    const BeatAnswers none =
        answersOf(5 * 60, beats, answeringPicture(beats, [](size_t) { return false; }), &summary);
    EXPECT_EQ(none.beats, 10);
    EXPECT_EQ(none.answered, 0);
    EXPECT_EQ(none.missed, beats);
    EXPECT_NE(summary.find("(0.00); missed at 0.300 s, 0.780 s, "), std::string::npos) << summary;

    const BeatAnswers everyOther =
        answersOf(5 * 60, beats, answeringPicture(beats, [](size_t b) { return b % 2 == 0; }));
    EXPECT_EQ(everyOther.answered, 5);
    ASSERT_EQ(everyOther.missed.size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(everyOther.missed[i], beats[2 * i + 1]);
}

TEST(BeatAnswers, TooLateTooSmallOrNoMoreThanUsualIsNoAnswer) {
    const std::vector<int32_t> beats = beatsEvery480(3);
    const auto all = [](size_t) { return true; };
    // 30 ms late is within the 50; 70 ms late is not.
    EXPECT_EQ(answersOf(3 * 60, beats, answeringPicture(beats, all, 0.3, 30)).answered, 6);
    EXPECT_EQ(answersOf(3 * 60, beats, answeringPicture(beats, all, 0.3, 70)).answered, 0);
    // A picture that moves over a third of itself in every frame answers only with three times
    // that: a block of 60 % is not enough above bars that change 33 % of it all the time.
    const Painter busy = [&](int frame, int x, int y, uint8_t rgb[3]) {
        answeringPicture(beats, all, 0.6)(frame, x, y, rgb);
        if (y < 32 && (x + frame) % 2 == 0) setGrey(rgb, 255);
    };
    EXPECT_EQ(answersOf(3 * 60, beats, busy).answered, 0);
    // A still picture answers with any visible change of 1 % or more: two columns of 128, not one.
    const auto still = [&](int columns) {
        return [&beats, columns](int frame, int x, int, uint8_t rgb[3]) {
            const int32_t ms = instantOfFrame(frame, 60);
            bool lit = false;
            for (const int32_t beat : beats) lit = lit || (ms >= beat && ms < beat + 100);
            setGrey(rgb, lit && x < columns ? 80 : 40);
        };
    };
    EXPECT_EQ(answersOf(3 * 60, beats, still(2)).answered, 6);
    EXPECT_EQ(answersOf(3 * 60, beats, still(1)).answered, 0);
}

TEST(BeatAnswers, OnlyBeatsTheFramesCanTellAboutCount) {
    // Frames at 0, 100, ..., 1000 ms, the visible change of each given: the beat at the first
    // frame has nothing before it to change from, the one 30 ms before the last has no 50 ms
    // after it; the one at 500 is answered by the frame at 500, the one at 310 by none.
    std::vector<int32_t> instants;
    for (int32_t ms = 0; ms <= 1000; ms += 100) instants.push_back(ms);
    std::vector<float> changes(instants.size(), 0.002f);
    changes[5] = 0.05f;
    const BeatAnswers answers = answerBeats(instants, changes, {0, 310, 500, 970});
    EXPECT_EQ(answers.beats, 2);
    EXPECT_EQ(answers.answered, 1);
    EXPECT_EQ(answers.missed, std::vector<int32_t>{310});
    // The visible change is the share of cells that moved by 0.02 or more.
    EXPECT_DOUBLE_EQ(visibleChange({0.1f, 0.1f, 0.1f, 0.1f}, {0.1f, 0.125f, 0.11f, 0.05f}), 0.5);
}
