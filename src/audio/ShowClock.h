#pragma once

#include "audio/AudioOutput.h"

#include <SDL.h>
#include <cstdint>

// The show's one clock: the milliseconds of the timeline follow the music as it is heard, the
// position of the sound leaving the device. Where no device plays in real time, or its position
// cannot be read, the clock is the tick count since the track started; while the device stalls,
// the clock goes on by the ticks.
//
// It is also the show's one transport, as a video player has one: the show plays or stands
// paused, and moves to any instant. Picture and sound move together: a pause holds the instant
// last shown and stops the sound; a seek or a resume starts the sound at the instant the picture
// goes on from, and the picture waits there until that sound is heard. Between two such moves
// the clock never goes back.

// The milliseconds of the timeline that the frame being drawn shows: written once per frame,
// before any scene draws, so every scene of the frame sees the same value.
extern int32_t elapsedMs;

// Milliseconds from one tick to another, right across the 32-bit wrap of the tick count.
inline int32_t ticksBetween(uint32_t from, uint32_t to) {
    return static_cast<int32_t>(to - from);
}

// Starts the clock as the track starts, at fromMs: the device it plays on, or 0 when it does not
// play. The timeline's fromMs is the moment the track's frame of that instant leaves the device,
// or this moment where the clock goes by the ticks.
void startShowClock(SDL_AudioDeviceID playingDevice, int32_t fromMs = 0);
bool showClockStarted();
// The timeline's milliseconds for a frame begun now that reaches the screen leadSeconds from now.
// Never less than the previous reading, but after a seek; while paused, the instant held.
int32_t showClockMs(double leadSeconds);

bool showPaused();
// Holds the instant last read, and stops the sound.
void pauseShow();
// Picture and sound go on from the instant held.
void resumeShow();
// Moves the show to ms (0 at the least), playing or paused as it was: the next reading is ms
// itself.
void seekShow(int32_t ms);

// A device whose position stands still for longer than this has stalled: a gap in the sound
// holds the picture up to this long, and then the clock goes on by the ticks.
inline constexpr double stallSeconds = 0.25;

// How the clock follows the sound, apart from the device and the time source so that any course
// of hand-overs can be played to it. Times are seconds on one clock.
struct HeardClock {
    double shownMs = 0;        // the timeline at the last reading
    double seenAt = 0;         // the instant the last reading was for
    double heardFrame = -1e18; // the furthest position heard so far
    double stillSince = 0;     // the first reading that found the sound where it was, or -1
    bool afterStall = false;   // the ticks have taken the picture ahead of the sound
};
// At fromMs, which the timeline holds until the sound from there is heard.
HeardClock startHeardClock(double now, double fromMs = 0);
// The timeline's milliseconds at instant seenAt (at or after now), given the device's last
// hand-over (null when there has been none): the heard position at seenAt, never going back, held
// while the device has played all it was handed, and going on by the ticks once the readings
// have found it standing still for stallSeconds (counted from the readings, so that the whole
// process held up, as a busy machine may hold it, is no stall of the device). After a stall the
// picture runs at half speed until the sound has caught up with it.
double readHeardClock(HeardClock& clock, const HandOver* handOver, double now, double seenAt);
