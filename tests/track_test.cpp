#include "MusicGenerator.h"
#include "OggWriter.h"

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

namespace {

// Serial numbers of their own, so that the files can be chained.
bool writeSteadyTrack(const std::string& path, double seconds, int rate, int serialNumber = 1) {
    const auto frames = static_cast<int64_t>(seconds * rate);
    std::vector<float> stereo(static_cast<size_t>(frames) * 2, 0.0f);
    return writeOggVorbis(path.c_str(), stereo.data(), frames, rate, 0.5f, serialNumber);
}

int64_t decodedFrames(const std::string& path) {
    Track track;
    return decodeOggVorbis(path.c_str(), track) ? track.frameCount() : -1;
}

} // namespace

TEST(TrackDecoding, ChainedFilesPlayOnUntilALinkChangesTheRate) {
    ScratchDirectory scratch;
    ASSERT_TRUE(writeSteadyTrack("a.ogg", 0.5, 44100, 1));
    ASSERT_TRUE(writeSteadyTrack("b.ogg", 0.25, 44100, 2));
    ASSERT_TRUE(writeSteadyTrack("slow.ogg", 0.5, 22050, 3));
    writeTextFile("ab.ogg", readTextFile("a.ogg") + readTextFile("b.ogg"));
    writeTextFile("a-slow.ogg", readTextFile("a.ogg") + readTextFile("slow.ogg"));
    EXPECT_EQ(decodedFrames("a.ogg"), 44100 / 2);
    EXPECT_NEAR(decodedFrames("ab.ogg"), 44100 * 3 / 4, 64);
    EXPECT_NEAR(decodedFrames("a-slow.ogg"), 44100 / 2, 64);
    // A rate of its own is converted when it is the whole track.
    EXPECT_EQ(decodedFrames("slow.ogg"), 44100 / 2);
}

TEST(TrackDecoding, LongTracksAreCutAtTheLimitAndOverfastOnesRefused) {
    ScratchDirectory scratch;
    // Eight kilohertz keeps the encoding of ten minutes quick.
    ASSERT_TRUE(writeSteadyTrack("long.ogg", maxTrackSeconds + 5, 8000));
    EXPECT_EQ(decodedFrames("long.ogg"), maxTrackFrames);
    ASSERT_TRUE(writeSteadyTrack("fast.ogg", 0.1, 200000));
    EXPECT_EQ(decodedFrames("fast.ogg"), -1);
}
