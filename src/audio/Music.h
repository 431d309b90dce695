#pragma once

#include "audio/FrequencyAnalysis.h"
#include "audio/Track.h"

#include <SDL.h>
#include <cstdint>

// The demo's one music track, its playback and its spectrum level.
struct Music {
    SDL_AudioDeviceID device = 0;
    Track stream;                    // the decoded track; empty when it could not be opened
    TrackDecoder* decoder = nullptr; // while the track is still being decoded
    SpectrumAnalyser analyser;
    float spectrum[magnitudeCount] = {}; // the magnitudes of the latest reading

    // Where the spectrum is read: the show clock's instant, unless pinned to another or to a level.
    bool clockPinned = false;
    int64_t pinnedFrame = 0;
    bool levelPinned = false;
    float pinnedLevel = 0.0f;

    // Opens the default output at 44100 Hz and starts decoding "data/music.ogg": its first quarter
    // of a second, and the rest through decodeMore(). Shows its message and returns false when
    // either fails.
    bool init();
    // Whether the track's file is there for init() to open (platform/DataArrival.h).
    bool trackArrived() const;
    // Decodes about `frames` more of the track. False when the stream turns out damaged before the
    // track plays: that fails the track as init() would, with its message, and empties it. Once it
    // plays, the track ends where the damage begins.
    bool decodeMore(int64_t frames);
    // Plays the track, once, from this frame (its beginning unless the show starts later).
    bool play(int64_t fromFrame = 0);
    void stop();
    // The sum of the 512 FFT magnitudes of the 1024 track frames centred on shownTrackFrame(); 0
    // before the track's start and after its end. Each call is a fresh reading.
    float spectrumLevel();
    // The level that spectrumLevel() would read at any frame of the track, leaving `spectrum` as
    // it is: for looking back over what has been heard.
    float levelAtFrame(int64_t frame);
};

extern Music music;

// Decodes "data/music.ogg" whole and prepares the analysis, without any audio device: what the
// offline renderer and the tests need to read the level at a given instant.
bool openMusicTrack();

// Pins every later reading to the track at this millisecond, so that the level at an instant is a
// pure function of the track and the instant.
void pinSpectrumClock(int32_t ms);
// Makes every later reading exactly this level, whatever the track holds: for tests that need a
// level to the last bit, such as the banner's threshold of 1.5.
void pinSpectrumLevel(float level);
// Reads at the show clock's instant again.
void followPlayback();

// The track frame that the frame being drawn shows: the pinned instant's, or else that of the show
// clock, which follows the music as heard; -1 before the show starts.
int64_t shownTrackFrame();
