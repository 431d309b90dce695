#include "MusicGenerator.h"

#include "Random.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace MusicGenerator {

namespace {

const double pi = 3.14159265358979323846;

struct Section {
    double start, end;
    bool loud;
};

// Follows the demo's schedule: intro, figure and inside shots, sphere shot, a breakdown while only
// the banner drifts, the star shot, a last drop, and a fade under the credits.
const Section sections[] = {
    {0.0, 13.0, false},  {13.0, 60.0, true},   {60.0, 73.0, false},
    {73.0, 102.0, true}, {102.0, 118.0, true}, {118.0, 136.0, false},
};

// A minor: Am, F, C, G, one chord per bar; MIDI note numbers of the chord roots.
const int chordRoots[4] = {57, 53, 48, 55};
const int chordThirds[4] = {3, 4, 4, 4}; // minor third on A, major elsewhere

double midiToHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

struct Stereo {
    double left = 0.0, right = 0.0;
    void add(double sample, double pan) { // pan -1 left ... 1 right
        left += sample * (1.0 - pan) * 0.5 * 1.41421356;
        right += sample * (1.0 + pan) * 0.5 * 1.41421356;
    }
};

double sectionFade(double t) {
    const double fadeIn = std::min(1.0, t / 4.0);
    const double fadeOut = std::clamp((lengthSeconds - t) / 6.0, 0.0, 1.0);
    return fadeIn * fadeOut;
}

double kick(double age, double amplitude) {
    if (age < 0.0 || age > 0.4) return 0.0;
    // Frequency falls from 160 to 45 Hz; the phase is the integral of that sweep.
    const double phase = 2.0 * pi * (45.0 * age + 115.0 * 0.03 * (1.0 - std::exp(-age / 0.03)));
    const double attack = std::min(1.0, age / 0.002);
    return amplitude * attack * std::exp(-age / 0.16) * std::sin(phase);
}

double pad(double t, int bar, double amplitude) {
    const int chord = bar % 4;
    const double root = chordRoots[chord];
    const double notes[3] = {root, root + chordThirds[chord], root + 7.0};
    const double intoBar = std::fmod(t, 4.0 * secondsPerBeat);
    const double swell = std::min(1.0, intoBar / 0.4);
    double sum = 0.0;
    for (const double note : notes) {
        const double hz = midiToHz(note);
        sum += std::sin(2.0 * pi * hz * t) + 0.4 * std::sin(2.0 * pi * hz * 1.003 * t);
    }
    return amplitude * swell * sum / 3.0;
}

double bass(double t, int bar, double amplitude) {
    const double eighth = secondsPerBeat / 2.0;
    const double age = std::fmod(t, eighth);
    const int step = static_cast<int>(t / eighth) % 8;
    const double note = chordRoots[bar % 4] - 12.0 + (step == 6 ? 7.0 : 0.0);
    const double hz = midiToHz(note);
    const double envelope = std::min(1.0, age / 0.005) * std::exp(-age / 0.25);
    return amplitude * envelope * (std::sin(2.0 * pi * hz * t) + 0.3 * std::sin(4.0 * pi * hz * t));
}

double lead(double t, int bar, double amplitude) {
    const double sixteenth = secondsPerBeat / 4.0;
    const int step = static_cast<int>(t / sixteenth);
    const double age = t - step * sixteenth;
    const int chord = bar % 4;
    // Up and down the chord across two octaves.
    const int pattern[8] = {0, 1, 2, 3, 4, 3, 2, 1};
    const int degree = pattern[step % 8];
    const int intervals[5] = {0, chordThirds[chord], 7, 12, 12 + chordThirds[chord]};
    const double hz = midiToHz(chordRoots[chord] + 12.0 + intervals[degree]);
    const double envelope = std::min(1.0, age / 0.004) * std::exp(-age / 0.09);
    // A soft triangle-like tone: few harmonics keep the calm passages low in the spectrum sum.
    const double tone = std::sin(2.0 * pi * hz * t) - std::sin(6.0 * pi * hz * t) / 9.0;
    return amplitude * envelope * tone;
}

} // namespace

bool isLoudAt(double seconds) {
    for (const Section& section : sections)
        if (seconds >= section.start && seconds < section.end) return section.loud;
    return false;
}

std::vector<float> renderTrack() {
    const int64_t frames = static_cast<int64_t>(lengthSeconds * sampleRate);
    std::vector<float> stereo(static_cast<size_t>(frames) * 2);
    Random noise;
    // A short stereo echo on the lead gives it some room.
    const int echoFrames = static_cast<int>(secondsPerBeat * 0.75 * sampleRate);
    std::vector<double> echoLeft(echoFrames, 0.0), echoRight(echoFrames, 0.0);
    double clapState = 0.0;

    for (int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const int beat = static_cast<int>(t / secondsPerBeat);
        const double beatAge = t - beat * secondsPerBeat;
        const int bar = beat / 4;
        const bool loud = isLoudAt(t);
        const double fade = sectionFade(t);
        Stereo mix;

        mix.add(kick(beatAge, loud ? 0.95 : 0.22), 0.0);
        if (loud && beat % 2 == 1 && beatAge < 0.25) {
            // A clap: noise through a one-pole high-pass, on beats two and four.
            const double white = 2.0 * noise.unit() - 1.0;
            clapState = 0.6 * clapState + 0.4 * white;
            mix.add(0.22 * std::exp(-beatAge / 0.05) * (white - clapState), 0.1);
        }
        if (loud) mix.add(bass(t, bar, 0.22), 0.0);
        mix.add(pad(t, bar, loud ? 0.05 : 0.08), 0.0);

        const double leadSample = lead(t, bar, loud ? 0.10 : 0.13);
        const size_t slot = static_cast<size_t>(i % echoFrames);
        const double left = leadSample * 0.8 + echoRight[slot] * 0.35;
        const double right = leadSample * 0.8 + echoLeft[slot] * 0.35;
        echoLeft[slot] = left;
        echoRight[slot] = right;
        mix.left += left;
        mix.right += right;

        stereo[2 * i] = static_cast<float>(std::clamp(mix.left * fade, -1.0, 1.0));
        stereo[2 * i + 1] = static_cast<float>(std::clamp(mix.right * fade, -1.0, 1.0));
    }
    return stereo;
}

} // namespace MusicGenerator
