#pragma once

#include "audio/FrequencyAnalysis.h"
#include "audio/Track.h"

#include <SDL.h>
#include <cstdint>

// The demo's one music track, its playback and its spectrum level.
struct Music {
    SDL_AudioDeviceID device = 0;
    Track stream; // the decoded track; empty when it could not be opened
    SpectrumAnalyser analyser;
    float spectrum[magnitudeCount] = {}; // the magnitudes of the latest reading

    // Where the spectrum is read: what the device plays, unless pinned to an instant or a level.
    bool clockPinned = false;
    int64_t pinnedFrame = 0;
    bool levelPinned = false;
    float pinnedLevel = 0.0f;

    // Opens the default output at 44100 Hz and decodes "data/music.ogg". Shows its message and
    // returns false when either fails.
    bool init();
    // Plays the track from its beginning, once.
    bool play();
    void stop();
    // The sum of the 512 FFT magnitudes of what is heard now (or at the pinned instant); 0 before
    // playback and after the track has ended. Each call is a fresh reading.
    float spectrumLevel();
};

extern Music music;

// Decodes "data/music.ogg" and prepares the analysis, without any audio device: what the offline
// renderer and the tests need to read the level at a given instant.
bool openMusicTrack();

// Pins every later reading to the track at this millisecond, so that the level at an instant is a
// pure function of the track and the instant.
void pinSpectrumClock(int32_t ms);
// Makes every later reading exactly this level, whatever the track holds: for tests that need a
// level to the last bit, such as the banner's threshold of 1.5.
void pinSpectrumLevel(float level);
// Reads from what the device plays again.
void followPlayback();
