#include "audio/Beats.h"

#include "audio/Music.h"

#include "MessageRecorder.h"
#include "ScratchDirectory.h"
#include "TestTrack.h"

#include <gtest/gtest.h>

namespace {

struct BeatsTest : ::testing::Test {
    ScratchDirectory scratch;
    MessageRecorder recorder;
    void TearDown() override {
        music.stop();
        music = Music{};
        prepareBeats();
    }
};

// A tone on a bin of the analysis, loud enough to read about 1.8.
constexpr double binHz = 24 * 44100.0 / 1024;

} // namespace

TEST_F(BeatsTest, ABurstOfLoudReadingsAfterAQuietIsOneBeat) {
    // Beats at 0.5 and 1.0 s; the second's burst flickers (three pieces within 60 ms); one at
    // 1.15 s follows too soon to be a beat of its own; one at 1.6 s is loud for 15 ms only.
    ASSERT_TRUE(writeSineBurstsTrack(
        "data/music.ogg", 2.5, binHz, 0.9,
        {{0.5, 0.55}, {1.0, 1.02}, {1.03, 1.04}, {1.05, 1.06}, {1.15, 1.2}, {1.6, 1.615}}));
    ASSERT_TRUE(openMusicTrack());
    prepareBeats();
    const std::vector<int32_t> beats = beatInstants(0, 2500);
    ASSERT_EQ(beats.size(), 3u);
    // A reading spans 23 ms centred on its instant: loud from about 10 ms before the burst.
    for (size_t i = 0; i < 3; ++i) {
        const int32_t burst = i == 0 ? 500 : i == 1 ? 1000 : 1600;
        EXPECT_GE(beats[i], burst - 15) << i;
        EXPECT_LE(beats[i], burst + 5) << i;
        EXPECT_TRUE(beatStartsAt(beats[i] / beatGrid::stepMs)) << i;
        EXPECT_FALSE(beatStartsAt(beats[i] / beatGrid::stepMs + 1)) << i;
    }
    EXPECT_TRUE(loudAtStep(1175 / beatGrid::stepMs));
    EXPECT_FALSE(beatStartsAt(1150 / beatGrid::stepMs));

    // A span sees the beats that start in it, told apart from a burst that began before it.
    EXPECT_EQ(beatInstants(beats[1], 2500), std::vector<int32_t>(beats.begin() + 1, beats.end()));
    EXPECT_EQ(beatInstants(beats[1] + 5, 2500), std::vector<int32_t>{beats[2]});
    EXPECT_TRUE(beatInstants(2000, 2500).empty());

    // Looking back from within a beat finds its start; from too far past it, nothing.
    const int64_t second = beats[1] / beatGrid::stepMs;
    EXPECT_EQ(latestBeatStart(second + 30, 40), second); // the burst at 1.15 s is no new beat
    EXPECT_EQ(latestBeatStart(second + 30, 29), -1);
    EXPECT_EQ(latestBeatStart(second - 1, 40), -1);
    EXPECT_EQ(latestBeatStart(second - 1, 110), beats[0] / beatGrid::stepMs);
    // The grid and the track's frames: a step is 220.5 frames.
    for (const int64_t step : {0, 1, 2, 3, 1001}) {
        EXPECT_EQ(stepAtFrame(frameAtStep(step)), step);
        EXPECT_EQ(stepAtFrame(frameAtStep(step + 1) - 1), step);
        EXPECT_EQ(stepAtFrame(frameAtMs(step * beatGrid::stepMs)), step);
    }
    EXPECT_EQ(stepAtFrame(-1), -1);
    // Readings are kept: the same, however often or in whatever order they are asked for.
    const float level = levelAtStep(second);
    EXPECT_GT(level, beatGrid::loudLevel);
    EXPECT_EQ(levelAtStep(second), level);
    EXPECT_EQ(levelAtStep(second), music.levelAtFrame(frameAtStep(second)));
}

TEST_F(BeatsTest, ASteadyLoudLevelIsNoBeatAndSilenceNone) {
    ASSERT_TRUE(writeSineTrack("data/music.ogg", 1.0, binHz, 0.0));
    ASSERT_TRUE(openMusicTrack());
    prepareBeats();
    EXPECT_TRUE(beatInstants(0, 1000).empty());
    // A level held over the threshold (pinned, as the tests of the banner do) starts no beat.
    pinSpectrumLevel(3.0f);
    prepareBeats();
    EXPECT_TRUE(loudAtStep(-5));
    EXPECT_FALSE(beatStartsAt(100));
    EXPECT_EQ(latestBeatStart(100, 100), -1);
    followPlayback();
}
