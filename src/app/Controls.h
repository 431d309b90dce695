#pragma once

#include <SDL.h>
#include <cstdint>

// What a viewer does to the show while it runs, as with a video: pause, seek, step a frame, gentle
// flashes on or off, the sound muted. Natively the keys come here from the frame loop; the page's
// own controls call the same functions (app/WebMain.cpp). Every frame after a move is the one that
// demo-capture --at draws for its instant: the GL state is primed for it first.

// The latest instant a seek goes to: a frame before the end, which would end the show.
inline constexpr int32_t lastSeekMs = 135999;
// End goes to the credits' last second; 0 to 9 to that many tenths of the show.
inline constexpr int32_t endKeyMs = 135000;
// A step is one frame of a 60-fps recording (demo-capture's default).
inline constexpr int stepFps = 60;

void togglePause();
// To ms, clamped to [0, lastSeekMs], playing or paused as before.
void seekTo(int32_t ms);
// By ms from the instant shown; forward never goes back (past lastSeekMs it stays where it is).
void seekBy(int32_t ms);
int32_t seekByTarget(int32_t ms);
// Paused: the frame `frames` frames on (back when negative); playing, nothing.
void stepFrames(int frames);
void setGentle(bool on);
void toggleMute();

// The native keys (the table in README.md): true when the event was one of them.
bool handleViewerKey(const SDL_Event& event);

// Whether the frame loop should draw now: always while playing; paused, only when what is shown
// has changed (a seek, a step, gentle switched, the window exposed or resized, the time bar shown
// or gone). Call noteWindowEvent for every window event the loop takes.
bool frameWanted();
void noteWindowEvent(const SDL_Event& event);
// Whether the frame about to be drawn must have its GL state primed first (the show moved since
// the last frame, or gentle was switched); true once per move.
bool takePrimeWanted();
void primeNextFrame();

// The small time bar that a key shows for two seconds: drawn over the frame just drawn (before its
// swap), in the picture's part of the window, with scissored clears only, so that it changes no
// state that the next frame depends on. Nothing when no key has asked for it lately.
void drawTimeBar(int32_t ms);
