#pragma once

#include "assets/Texture.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The gentle way to watch: the same scenes, timing and music, with the banner's beats kept within
// the limits for photosensitive viewers. The banner shows a loud passage by one gentler loud
// picture held from its first loud reading until a second after its last, instead of a white
// flash and a jump on every beat, and each beat (audio/Beats.h) lights the whole picture by a
// glow of about half a flash's contrast at most and brings the strip a little nearer, both easing
// back within a fifth of a second; the jump leaves the scenes behind the strip whole.
// Off unless the viewer asks for it; it may be switched at any time before the timeline starts.
void setGentleFlashes(bool on);
bool gentleFlashes();

// Makes room for the track's levels, which gentle looks back over; once the track is open and
// before the loop starts, since the loop allocates nothing.
void prepareGentleFlashes();

// What gentle shows of the music now.
struct GentleBeat {
    bool loud;   // a loud reading within the last second: the banner's loud picture
    float scale; // how much nearer the strip looks: 1, and 3 % more on a beat
    float glow;  // of the latest beat: 0.1 on it; both ease back over 200 ms
};
GentleBeat gentleBeat();

// The glow of a beat over the whole picture: drawn when gentle, after every scene of the frame.
// Draws nothing between beats.
void drawGentleGlow();

// The loud picture as gentle shows it: the calm picture moved towards the loud one in linear
// light, as far as keeps every pixel's relative luminance within 0.09 of the calm picture's, so
// that the change is under a flash's 0.1 even where the whole picture changes. Pictures of two
// sizes give the calm one. Free it with freeRgbPicture; empty when there is no memory for it.
RgbPicture makeGentleLoudPicture(const RgbPicture& calm, const RgbPicture& loud);

// The same in steps, so that a page need not freeze for it: begin, then steps of about
// bytesPerStep until one returns true with the picture made (empty when there was no memory for
// it). Both pictures must stay as they are until then.
struct GentleLoudPictureBuild {
    enum Stage { Scan, Table, Mix, Done };
    const RgbPicture* calm = nullptr;
    const RgbPicture* loud = nullptr;
    RgbPicture picture;
    Stage stage = Done;
    size_t done = 0; // bytes scanned, then mixed
    float widest = 0;
    std::vector<uint8_t> mixed;
};
void beginGentleLoudPicture(GentleLoudPictureBuild& build, const RgbPicture& calm,
                            const RgbPicture& loud);
bool stepGentleLoudPicture(GentleLoudPictureBuild& build, size_t bytesPerStep);
