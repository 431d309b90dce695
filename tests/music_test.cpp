#include "audio/Music.h"

#include "audio/ShowClock.h"

#include "MessageRecorder.h"
#include "ScratchDirectory.h"
#include "TestTrack.h"

#include <SDL.h>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// A fresh Music for every case: the global one carries state from case to case otherwise.
struct MusicTest : ::testing::Test {
    ScratchDirectory scratch;
    MessageRecorder recorder;
    void TearDown() override {
        music.stop();
        music = Music{};
    }
};

} // namespace

TEST_F(MusicTest, MissingTrackShowsOneMessageWithTheDefaultCaption) {
    EXPECT_FALSE(music.init());
    ASSERT_EQ(recorder.boxes().size(), 1u);
    EXPECT_EQ(recorder.boxes()[0].text, "Music opening error");
    EXPECT_EQ(recorder.boxes()[0].caption, "Error");
}

TEST_F(MusicTest, UndecodableTrackShowsTheOpeningMessage) {
    writeTextFile(scratch.dataFile("music.ogg"), std::string(5000, 'x'));
    EXPECT_FALSE(music.init());
    ASSERT_EQ(recorder.boxes().size(), 1u);
    EXPECT_EQ(recorder.boxes()[0].text, "Music opening error");

    // An Ogg stream cut off in its headers fails the same way.
    ASSERT_TRUE(writeSineTrack(scratch.dataFile("whole.ogg"), 1.0, 440.0, 0.5));
    writeTextFile(scratch.dataFile("music.ogg"),
                  readTextFile(scratch.dataFile("whole.ogg")).substr(0, 300));
    music.stop();
    music = Music{};
    EXPECT_FALSE(music.init());
    EXPECT_EQ(recorder.boxes().size(), 2u);
}

TEST_F(MusicTest, NoAudioDeviceShowsTheInitMessage) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ASSERT_TRUE(writeSineTrack(scratch.dataFile("music.ogg"), 1.0, 440.0, 0.5));
    EXPECT_FALSE(music.init());
    ASSERT_EQ(recorder.boxes().size(), 1u);
    EXPECT_EQ(recorder.boxes()[0].text, "Bass init error");
    EXPECT_EQ(recorder.boxes()[0].caption, "Error");
}

TEST_F(MusicTest, PinnedClockGivesTheSameLevelOnEveryCall) {
    // 1033.6 Hz is bin 24; amplitude 0.5 reads about 1.0 in all.
    ASSERT_TRUE(writeSineTrack(scratch.dataFile("music.ogg"), 2.0, 24 * 44100.0 / 1024, 0.5));
    ASSERT_TRUE(openMusicTrack());
    pinSpectrumClock(1000);
    const float first = music.spectrumLevel();
    EXPECT_NEAR(first, 1.0f, 0.1f);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(music.spectrumLevel(), first);
    EXPECT_NEAR(music.spectrum[24], 0.5f, 0.03f);

    pinSpectrumClock(2500); // the track has ended
    EXPECT_EQ(music.spectrumLevel(), 0.0f);
    pinSpectrumClock(-100);
    EXPECT_EQ(music.spectrumLevel(), 0.0f);
    EXPECT_TRUE(recorder.boxes().empty());
}

// Live, the level is read at the instant of the frame being drawn, which the show clock gives
// (here, with SDL's dummy driver, the tick count since the track started).
TEST_F(MusicTest, LiveLevelFollowsTheShowClockAndIsZeroBeforeAndAfter) {
    ASSERT_TRUE(writeSineTrack(scratch.dataFile("music.ogg"), 1.0, 24 * 44100.0 / 1024, 0.5));
    ASSERT_TRUE(music.init());
    // init() decodes the track's first quarter of a second; start-up's loading, the rest.
    EXPECT_EQ(music.stream.frameCount(), outputRate / 4);
    while (music.decoder) ASSERT_TRUE(music.decodeMore(outputRate / 4));
    EXPECT_TRUE(music.stream.complete);
    EXPECT_EQ(shownTrackFrame(), -1);
    EXPECT_EQ(music.spectrumLevel(), 0.0f); // not playing yet

    ASSERT_TRUE(music.play());
    startShowClock(music.device);
    SDL_Delay(400);
    elapsedMs = showClockMs(0);
    EXPECT_EQ(shownTrackFrame(), frameAtMs(elapsedMs));
    EXPECT_NEAR(music.spectrumLevel(), 1.0f, 0.1f);
    // A pinned instant wins over the clock, and following again returns to it.
    pinSpectrumClock(2000);
    EXPECT_EQ(shownTrackFrame(), frameAtMs(2000));
    EXPECT_EQ(music.spectrumLevel(), 0.0f);
    followPlayback();
    EXPECT_NEAR(music.spectrumLevel(), 1.0f, 0.1f);

    SDL_Delay(1000); // past the end of the one-second track
    elapsedMs = showClockMs(0);
    EXPECT_EQ(music.spectrumLevel(), 0.0f);
    music.stop();
    EXPECT_EQ(music.spectrumLevel(), 0.0f);
    EXPECT_TRUE(recorder.boxes().empty());
}
