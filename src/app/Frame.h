#pragma once

#include "assets/Vec.h"

#include <cstdint>

// Red, green and blue of the colour every frame is cleared to.
extern const Vec3 clearColour;

// The GL state the demo starts from, once the context exists.
void setInitialGlState();
// Every scene's assets, in the order the scenes were designed to load them.
void loadScenes();
// Draws the whole frame of one instant of the timeline into the current framebuffer: clear,
// projection, then every scene whose row is active. The caller swaps or reads back.
void drawFrame(int32_t ms);
