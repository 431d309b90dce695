#pragma once

#include "assets/Vec.h"

#include <cstdint>

// Red, green and blue of the colour every frame is cleared to.
extern const Vec3 clearColour;

// The GL state the demo starts from, once the context exists.
void setInitialGlState();
// Every scene's assets, in the order the scenes were designed to load them, at once.
void loadScenes();
// Brings the GL state that scenes leave for later frames to what the live demo has when it
// reaches this instant, by drawing unseen the earlier frames that set it: the intro's first frame
// switches blending on for good (drawn only where blending is still off), and after the banner's
// end its last frame leaves the colour the credits draw with. The spectrum clock is left pinned.
// For renderers that start anywhere on the timeline, and for the frame loop after a move.
void primeFrameState(int32_t ms);
// Clears the window, sets elapsedMs and the demo's projection, and leaves an identity modelview:
// what every frame starts from before its scenes draw.
void beginFrame(int32_t ms);
// Draws the whole frame of one instant of the timeline into the current framebuffer: clear,
// projection, then every scene whose row is active. The caller swaps or reads back.
void drawFrame(int32_t ms);
