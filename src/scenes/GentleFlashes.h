#pragma once

#include "assets/Texture.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The gentle way to watch: the same scenes, timing and music, with the banner's beats kept within
// the limits for photosensitive viewers. The banner shows a loud passage by one gentler loud
// picture held from its first loud reading until a second after its last, instead of a white
// flash on every beat, and each beat by a small jump that leaves the scenes behind it whole.
// Off unless the viewer asks for it; it may be switched at any time before the timeline starts.
void setGentleFlashes(bool on);
bool gentleFlashes();

// Makes room for the track's levels, which gentle looks back over; once the track is open and
// before the loop starts, since the loop allocates nothing.
void prepareGentleFlashes();

// What the banner shows of the music now when gentle.
struct GentleBeat {
    bool loud;   // a loud reading within the last second
    float scale; // how much nearer the strip looks: 1, and a little more with a loud level
};
GentleBeat gentleBeat();

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
