#include "MusicGenerator.h"

#include "RunCommand.h"
#include "ScratchDirectory.h"
#include "audio/FrequencyAnalysis.h"
#include "audio/Track.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The default track as the demo hears it: written by make-data, decoded by the demo's own code.
struct DefaultTrack : ::testing::Test {
    ScratchDirectory scratch;
    Track track;
    SpectrumAnalyser analyser;
    float magnitudes[magnitudeCount];

    void SetUp() override {
        ASSERT_EQ(runCommand(std::string(DEMO_MAKE_DATA_PATH) + " data").status, 0);
        ASSERT_TRUE(decodeOggVorbis("data/music.ogg", track));
        ASSERT_TRUE(createSpectrumAnalyser(analyser));
    }
    void TearDown() override { destroySpectrumAnalyser(analyser); }

    float levelAt(double seconds) {
        analyseSpectrum(analyser, track, frameAtMs(static_cast<int64_t>(seconds * 1000)),
                        magnitudes);
        float level = 0.0f;
        for (const float m : magnitudes) level += m;
        return level;
    }
    // The highest level in the first 60 ms after an instant: a beat's attack.
    float peakAfter(double seconds) {
        float peak = 0.0f;
        for (double t = seconds; t < seconds + 0.06; t += 0.005) peak = std::max(peak, levelAt(t));
        return peak;
    }
};

} // namespace

TEST_F(DefaultTrack, LastsTheWholeTimelineInStereoAt44100) {
    EXPECT_EQ(track.frameCount(), 136 * 44100);
}

TEST_F(DefaultTrack, LoudBeatsCrossTheBannersThresholdAndCalmPassagesDoNot) {
    const double beat = MusicGenerator::secondsPerBeat;
    int loudBeats = 0, beatsAbove = 0, offBeats = 0, offBeatsAbove = 0;
    for (double t = 0.0; t + beat < 136.0; t += beat) {
        if (!MusicGenerator::isLoudAt(t) || !MusicGenerator::isLoudAt(t + beat)) continue;
        ++loudBeats;
        beatsAbove += peakAfter(t) > 1.5f;
        ++offBeats;
        offBeatsAbove += levelAt(t + beat / 2) > 1.5f;
    }
    ASSERT_GT(loudBeats, 100);
    EXPECT_GT(beatsAbove, loudBeats * 8 / 10) << beatsAbove << " of " << loudBeats;
    // Between the beats the banner stays calm: it flashes on the beat, not all the time.
    EXPECT_LT(offBeatsAbove, offBeats / 10) << offBeatsAbove << " of " << offBeats;

    int calmSamples = 0;
    float calmPeak = 0.0f;
    for (double t = 0.0; t < 136.0; t += 0.01) {
        if (MusicGenerator::isLoudAt(t) || MusicGenerator::isLoudAt(t + 0.05) ||
            MusicGenerator::isLoudAt(t - 0.05))
            continue;
        ++calmSamples;
        calmPeak = std::max(calmPeak, levelAt(t));
    }
    EXPECT_GT(calmSamples, 3000);
    EXPECT_LT(calmPeak, 1.5f);
}
