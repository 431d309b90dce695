#include "audio/FrequencyAnalysis.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numeric>

namespace {

const double pi = 3.14159265358979323846;

Track sineTrack(int64_t frames, double hz, double left, double right) {
    Track track;
    track.stereo.resize(static_cast<size_t>(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        const double s = std::sin(2.0 * pi * hz * i / outputRate);
        track.stereo[2 * i] = static_cast<float>(left * s);
        track.stereo[2 * i + 1] = static_cast<float>(right * s);
    }
    return track;
}

struct Analysis : ::testing::Test {
    SpectrumAnalyser analyser;
    float magnitudes[magnitudeCount];
    void SetUp() override { ASSERT_TRUE(createSpectrumAnalyser(analyser)); }
    void TearDown() override { destroySpectrumAnalyser(analyser); }
    float level() const { return std::accumulate(magnitudes, magnitudes + magnitudeCount, 0.0f); }
};

} // namespace

TEST_F(Analysis, BinCentredSineReadsItsAmplitudeInItsBin) {
    for (const int bin : {8, 40, 200}) {
        const double hz = bin * double(outputRate) / fftSize;
        for (const double amplitude : {1.0, 0.5, 0.1}) {
            const Track track = sineTrack(outputRate, hz, amplitude, amplitude);
            analyseSpectrum(analyser, track, outputRate / 2, magnitudes);
            EXPECT_NEAR(magnitudes[bin], amplitude, 0.05 * amplitude) << "bin " << bin;
            // The window hands half the amplitude to each neighbour and nothing further.
            EXPECT_NEAR(magnitudes[bin - 1], amplitude / 2, 0.05 * amplitude);
            EXPECT_NEAR(magnitudes[bin + 1], amplitude / 2, 0.05 * amplitude);
            EXPECT_NEAR(level(), 2 * amplitude, 0.1 * amplitude);
        }
    }
}

TEST_F(Analysis, ChannelsAreMixedToMonoByTheirMean) {
    const double hz = 40 * double(outputRate) / fftSize;
    analyseSpectrum(analyser, sineTrack(4096, hz, 1.0, 0.0), 2048, magnitudes);
    EXPECT_NEAR(magnitudes[40], 0.5, 0.025);
    // Opposite channels cancel.
    analyseSpectrum(analyser, sineTrack(4096, hz, 0.8, -0.8), 2048, magnitudes);
    EXPECT_NEAR(level(), 0.0f, 1e-4);
}

TEST_F(Analysis, SilenceAndInstantsOutsideTheTrackReadExactlyZero) {
    const Track silence = sineTrack(8192, 440.0, 0.0, 0.0);
    analyseSpectrum(analyser, silence, 4096, magnitudes);
    EXPECT_EQ(level(), 0.0f);

    const Track loud = sineTrack(8192, 440.0, 1.0, 1.0);
    analyseSpectrum(analyser, loud, -fftSize, magnitudes);
    EXPECT_EQ(level(), 0.0f);
    analyseSpectrum(analyser, loud, 8192 + fftSize / 2, magnitudes);
    EXPECT_EQ(level(), 0.0f);
    analyseSpectrum(analyser, Track{}, 0, magnitudes);
    EXPECT_EQ(level(), 0.0f);
}

TEST_F(Analysis, TheWindowIsCentredOnTheInstant) {
    // Sound only in the second half of the track: an instant 600 frames before it starts sees
    // none of it, one 400 frames before does.
    Track track = sineTrack(8192, 1000.0, 1.0, 1.0);
    std::fill(track.stereo.begin(), track.stereo.begin() + 2 * 4096, 0.0f);
    analyseSpectrum(analyser, track, 4096 - 600, magnitudes);
    EXPECT_EQ(level(), 0.0f);
    analyseSpectrum(analyser, track, 4096 - 400, magnitudes);
    EXPECT_GT(level(), 0.01f);
}
