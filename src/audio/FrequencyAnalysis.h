#pragma once

#include "audio/Track.h"

#include <kiss_fftr.h>

inline constexpr int fftSize = 1024;
inline constexpr int magnitudeCount = fftSize / 2;

// The FFT of 1024 samples and the buffers it works in, made once so that each analysis allocates
// nothing.
struct SpectrumAnalyser {
    kiss_fftr_cfg fft = nullptr;
    float window[fftSize];
    kiss_fft_scalar samples[fftSize];
    kiss_fft_cpx bins[fftSize / 2 + 1];
};

bool createSpectrumAnalyser(SpectrumAnalyser& analyser);
void destroySpectrumAnalyser(SpectrumAnalyser& analyser);

// Fills magnitudes[k], k = 0 ... 511, with |X_k| * 4 / N of the Hann-windowed mono mix (L + R) / 2
// of the 1024 frames centred on centreFrame. The 4 / N undoes the window's gain of one half, so a
// full-scale sine centred on a bin reads 1.0 there. Frames outside the track are silence.
void analyseSpectrum(SpectrumAnalyser& analyser, const Track& track, int64_t centreFrame,
                     float magnitudes[magnitudeCount]);
