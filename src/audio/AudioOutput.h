#pragma once

#include "audio/Track.h"

#include <SDL.h>

// Stereo float output at 44100 Hz on the default device, through SDL. One device at a time.

// Opens the device, paused. Returns its id, or 0 when no device can be opened.
SDL_AudioDeviceID openAudioOutput();
// Plays the track from its first frame, once. The track must outlive the playback.
bool startAudioOutput(SDL_AudioDeviceID device, const Track& track);
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
