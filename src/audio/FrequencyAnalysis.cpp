#include "audio/FrequencyAnalysis.h"

#include <algorithm>
#include <cmath>

bool createSpectrumAnalyser(SpectrumAnalyser& analyser) {
    analyser.fft = kiss_fftr_alloc(fftSize, 0, nullptr, nullptr);
    // The periodic Hann window: its mean is exactly one half and a bin-centred sine leaks exactly
    // half its amplitude into each neighbouring bin.
    const double pi = 3.14159265358979323846;
    for (int n = 0; n < fftSize; ++n)
        analyser.window[n] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * pi * n / fftSize));
    return analyser.fft != nullptr;
}

void destroySpectrumAnalyser(SpectrumAnalyser& analyser) {
    kiss_fftr_free(analyser.fft);
    analyser.fft = nullptr;
}

void analyseSpectrum(SpectrumAnalyser& analyser, const Track& track, int64_t centreFrame,
                     float magnitudes[magnitudeCount]) {
    const int64_t first = centreFrame - fftSize / 2;
    const int64_t begin = std::max<int64_t>(first, 0);
    const int64_t end = std::min<int64_t>(first + fftSize, track.frameCount());
    if (begin >= end || !analyser.fft) {
        std::fill(magnitudes, magnitudes + magnitudeCount, 0.0f);
        return;
    }
    std::fill(analyser.samples, analyser.samples + fftSize, 0.0f);
    const float* stereo = track.stereo.data();
    for (int64_t frame = begin; frame < end; ++frame) {
        const int n = static_cast<int>(frame - first);
        const float mono = 0.5f * (stereo[2 * frame] + stereo[2 * frame + 1]);
        analyser.samples[n] = mono * analyser.window[n];
    }
    kiss_fftr(analyser.fft, analyser.samples, analyser.bins);
    const float scale = 4.0f / fftSize;
    for (int k = 0; k < magnitudeCount; ++k)
        magnitudes[k] = std::hypot(analyser.bins[k].r, analyser.bins[k].i) * scale;
}
