#include "scenes/GentleFlashes.h"

#include "assets/Srgb.h"
#include "audio/Beats.h"
#include "audio/Music.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool gentle = false;

// The beats of a loud passage come about half a second apart, with a beat left out now and then;
// a second bridges them, so a passage shows one loud picture rather than a flash a beat.
constexpr int32_t holdMs = 1000;
constexpr float maxLuminanceChange = 0.09f;

// Each beat lights the whole picture, drawn over every scene as a screen blend: each channel lifted
// towards white by 10 % of what it lacks. Lifting each channel from code x by a tenth of 255 - x
// raises the relative luminance of any colour by at most 0.052 (at codes about 140), about half a
// flash's 0.1, and of greys from code 26 to 229 by 0.02 or more, what the beat measure counts as
// seen. And the strip looks 3 % nearer. Both ease back over 200 ms. Measured over the whole
// timeline (docs/safe-to-watch.md): the glow alone answers all beats but those of the
// bright sphere's first seconds, the jump those; together every beat, with no second over 2
// transitions. A lift of 14 % warned; glows of the banner alone, which the scenes drawn over it
// add their light to, failed where those are bright, or were not seen in the tunnel.
constexpr double glowLift = 0.10;
constexpr double jump = 0.03;
constexpr double easeMs = 200;

} // namespace

void setGentleFlashes(bool on) {
    gentle = on;
}

bool gentleFlashes() {
    return gentle;
}

void prepareGentleFlashes() {
    prepareBeats();
}

GentleBeat gentleBeat() {
    const int64_t frame = shownTrackFrame();
    const int64_t step = stepAtFrame(frame);
    bool loud = false;
    for (int64_t back = 0; back * beatGrid::stepMs < holdMs && !loud; ++back)
        loud = loudAtStep(step - back);
    // The beat's own moment, not the level's: a weak beat is loud for as little as 10 ms, and
    // answered as fully as a strong one.
    const int64_t beat = latestBeatStart(step, static_cast<int64_t>(easeMs) / beatGrid::stepMs);
    double pulse = 0;
    if (beat >= 0) {
        const double since = static_cast<double>(frame - frameAtStep(beat)) * 1000.0 / outputRate;
        const double left = std::max(0.0, 1.0 - since / easeMs);
        pulse = left * left; // quick at first, then settling
    }
    return GentleBeat{loud, static_cast<float>(1.0 + jump * pulse),
                      static_cast<float>(glowLift * pulse)};
}

void drawGentleGlow() {
    const float glow = gentleBeat().glow;
    if (glow <= 0) return;
    // Over the picture's part of the window, whatever the scenes left in the depth buffer, and in
    // the state every frame after the first leaves for the next: the intro's blending, texturing
    // on, and the banner's colour, with which the credits draw.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ONE); // dst + glow * (1 - dst)
    glColor4f(glow, glow, glow, 1);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRectf(-1, -1, 1, 1);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glColor4f(1, 1, 1, 0.5f);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
}

RgbPicture makeGentleLoudPicture(const RgbPicture& calm, const RgbPicture& loud) {
    GentleLoudPictureBuild build;
    beginGentleLoudPicture(build, calm, loud);
    while (!stepGentleLoudPicture(build, SIZE_MAX)) continue;
    return build.picture;
}

void beginGentleLoudPicture(GentleLoudPictureBuild& build, const RgbPicture& calm,
                            const RgbPicture& loud) {
    build = GentleLoudPictureBuild{};
    build.calm = &calm;
    build.loud = &loud;
    const size_t bytes = static_cast<size_t>(calm.width) * calm.height * 3;
    build.picture.pixels = static_cast<uint8_t*>(std::malloc(bytes));
    if (!build.picture.pixels) return;
    build.picture.width = calm.width;
    build.picture.height = calm.height;
    std::memcpy(build.picture.pixels, calm.pixels, bytes);
    build.stage = loud.width != calm.width || loud.height != calm.height
                      ? GentleLoudPictureBuild::Done
                      : GentleLoudPictureBuild::Scan;
}

bool stepGentleLoudPicture(GentleLoudPictureBuild& build, size_t bytesPerStep) {
    const RgbPicture& calm = *build.calm;
    const RgbPicture& loud = *build.loud;
    const size_t bytes = static_cast<size_t>(calm.width) * calm.height * 3;
    // Whole pixels a step, at least one; SIZE_MAX must not wrap round to a sliver.
    const size_t stepBytes = std::max<size_t>(3, bytesPerStep / 3 * 3);
    const size_t end = build.done + std::min(bytes - build.done, stepBytes);
    switch (build.stage) {
    case GentleLoudPictureBuild::Scan:
        // One share for the whole picture, so that its light keeps its shape (the rays, the lit
        // windows) at a lower contrast.
        for (size_t i = build.done; i < end; i += 3) {
            const float change =
                relativeLuminance(loud.pixels[i], loud.pixels[i + 1], loud.pixels[i + 2]) -
                relativeLuminance(calm.pixels[i], calm.pixels[i + 1], calm.pixels[i + 2]);
            build.widest = std::max(build.widest, std::abs(change));
        }
        build.done = end;
        if (build.done == bytes) build.stage = GentleLoudPictureBuild::Table;
        return false;
    case GentleLoudPictureBuild::Table: {
        const float share =
            build.widest > maxLuminanceChange ? maxLuminanceChange / build.widest : 1.0f;
        // Each byte's result depends only on its calm and loud codes: worked out once for every
        // pair (a search of the curve each), then looked up: a fourteenth of the time, the same
        // bytes.
        build.mixed.resize(256 * 256);
        for (int from = 0; from < 256; ++from)
            for (int to = 0; to < 256; ++to) {
                const float start = linearFromSrgb(static_cast<uint8_t>(from));
                build.mixed[from * 256 + to] = srgbFromLinear(
                    start + share * (linearFromSrgb(static_cast<uint8_t>(to)) - start));
            }
        build.done = 0;
        build.stage = GentleLoudPictureBuild::Mix;
        return false;
    }
    case GentleLoudPictureBuild::Mix:
        for (size_t i = build.done; i < end; ++i)
            build.picture.pixels[i] = build.mixed[calm.pixels[i] * 256 + loud.pixels[i]];
        build.done = end;
        if (build.done == bytes) build.stage = GentleLoudPictureBuild::Done;
        return false;
    case GentleLoudPictureBuild::Done:
        break;
    }
    build.mixed = {};
    return true;
}
