#pragma once

#include <cstdint>

// The demo's start-up, frame loop and shut-down, in pieces that both a native loop and a
// browser's once-per-display-frame callback can drive, so there is one frame path for both.

// Start-up before the clock: the window, then the music with its first seconds, the initial GL
// state and every scene's assets queued (app/Loading.h loads them). False when the program is to
// end (the failure has been reported); exit with 0 then. A page makes its window (glWindow) while
// the data still downloads, and prepares the rest once the track is in: the two halves apart.
bool startDemo();
bool prepareDemo();
// Starts the track and the clock together at fromMs (0: the beginning): the timeline's fromMs is
// the moment the track's frame of that instant leaves the device (audio/ShowClock.h).
void startTimeline(int32_t fromMs = 0);

enum class LoopPass {
    Event, // one event was handled; no frame was drawn
    Frame, // no event was pending, so a frame was drawn and swapped
    Idle,  // paused with the picture as it should be: nothing was drawn
    End,   // Escape, a close request or the end of the timeline: leave the loop
};
// One pass of the frame loop: the Escape test, then one pending event (the viewer's keys among
// them, app/Controls.h), or a frame when no event is pending and one is wanted, with what the
// frame needs loaded before it and a little more loading after it.
LoopPass runLoopPass();
// Stops and releases the music, whichever way the loop ended.
void stopDemo();

// The whole demo on a platform with its own loop, from fromMs. Returns the exit code, 0 on every
// path.
int runDemo(int32_t fromMs = 0);
