#pragma once

#include "assets/Texture.h"

// The gentle way to watch: the same scenes, timing and music, with the banner's beats kept within
// the limits for photosensitive viewers. The banner shows a loud passage by one gentler loud
// picture held from its first loud reading until a second after its last, instead of a white
// flash on every beat, and each beat (audio/Beats.h) by a small jump and a glow that ease back
// within a fifth of a second, the jump leaving the scenes behind it whole. Off unless the viewer
// asks for it; it may be switched at any time before the timeline starts.
void setGentleFlashes(bool on);
bool gentleFlashes();

// Makes room for the track's levels, which gentle looks back over; once the track is open and
// before the loop starts, since the loop allocates nothing.
void prepareGentleFlashes();

// What the banner shows of the music now when gentle.
struct GentleBeat {
    bool loud;        // a loud reading within the last second
    float scale;      // how much nearer the strip looks: 1, and up to 9 % more on a beat
    float brightness; // of its picture, as a colour: 1, and 0.92 between the beats of a passage
};
GentleBeat gentleBeat();

// The loud picture as gentle shows it: the calm picture moved towards the loud one in linear
// light, as far as keeps every pixel's relative luminance within 0.09 of the calm picture's, so
// that the change is under a flash's 0.1 even where the whole picture changes. Pictures of two
// sizes give the calm one. Free it with freeRgbPicture; empty when there is no memory for it.
RgbPicture makeGentleLoudPicture(const RgbPicture& calm, const RgbPicture& loud);
