#pragma once

#include "audio/Track.h"

#include <SDL.h>

// Stereo float output at 44100 Hz on the default device, through SDL. One device at a time.

// Opens the device, paused. Returns its id, or 0 when no device can be opened.
SDL_AudioDeviceID openAudioOutput();
// Plays the track from fromFrame on. The track must outlive the playback. A track still being
// decoded plays on as it grows where the platform plays the track itself (the browser, which has
// no other thread to race with); SDL's own callback wants a complete one.
bool startAudioOutput(SDL_AudioDeviceID device, const Track& track, int64_t fromFrame = 0);
// Whether startAudioOutput has started the track on this device.
bool trackPlaying(SDL_AudioDeviceID device);
// The track started, the sound goes on from this frame, held or not before. Until the first buffer
// from there is handed over, there is no hand-over to read: the last one told of the old place.
void playAudioFrom(SDL_AudioDeviceID device, int64_t frame);
// Silence from the next buffer on, the track standing where it is, and no hand-over to read.
void holdAudioOutput(SDL_AudioDeviceID device);
// The track's samples scaled by gain on their way out (0 mutes); the clock goes on as before.
void setAudioGain(SDL_AudioDeviceID device, float gain);
// Hands the frames of the track just decoded on to a platform that plays the track itself, from
// before it starts; `complete` when no more will come.
void offerTrackFrames(const float* stereo, int64_t firstFrame, int64_t frames, bool complete);
void closeAudioOutput(SDL_AudioDeviceID device);

// The last buffer handed to the device: track frames firstFrame to firstFrame + frames (past the
// track's end they are silence), of which the first leaves the device at heardAt.
struct HandOver {
    int64_t firstFrame = 0;
    int64_t frames = 0;
    double heardAt = 0; // seconds on audioClockSeconds()
};
// Whether the position of the device's sound can be read: not on a driver that does not play in
// real time (SDL's dummy and disk drivers take the sound at a pace of their own, and nobody hears
// it).
bool positionReadable(SDL_AudioDeviceID device);
// False before the first hand-over, and when the platform could not tell when it plays.
bool lastHandOver(SDL_AudioDeviceID device, HandOver& handOver);
// The clock hand-overs are timed by, in seconds: SDL's performance counter.
double audioClockSeconds();

// The browser's position of the track it plays moves in steps of its audio callbacks and reaches
// the page later still: Firefox's stood still for up to 35 ms at a time while the sound played on.
// Read as it is, the picture would show one instant twice and then jump. Each reading is where the
// track stood at the latest by the moment it is read, so the one furthest ahead of our own clock
// is the freshest: the position goes on from it at our clock's pace. It lets the best reading go
// at letGoPerSecond, so that a track playing a little slower than our clock (Chromium's: 0.18 %)
// is followed too, and never runs more than reachSeconds past the last reading, so that a track
// that stops holds the picture as a gap in the sound does.
struct SteppedPosition {
    static constexpr double letGoPerSecond = 0.01;
    static constexpr double reachSeconds = 0.05;
    bool started = false;
    double ahead = 0;  // the best reading less our clock, seconds
    double readAt = 0; // our clock at the last reading
};
// The track's position now, in seconds, from a reading in seconds taken now (both on our clock).
double followSteppedPosition(SteppedPosition& position, double reading, double now);
