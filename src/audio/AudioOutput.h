#pragma once

#include "audio/Track.h"

#include <SDL.h>

// Stereo float output at 44100 Hz on the default device, through SDL. One device at a time.

// Opens the device, paused. Returns its id, or 0 when no device can be opened.
SDL_AudioDeviceID openAudioOutput();
// Plays the track from its first frame, once. The track must outlive the playback.
bool startAudioOutput(SDL_AudioDeviceID device, const Track& track);
// The frame of the track that the listener hears now; negative before playback starts.
int64_t heardFrame(SDL_AudioDeviceID device);
void closeAudioOutput(SDL_AudioDeviceID device);
