#include "scenes/GentleFlashes.h"

#include "assets/Srgb.h"
#include "audio/Music.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool gentle = false;

// The level is read at every 20 ms of the track (the spectrum spans 23 ms), each reading taken
// once and kept: a frame at 60 fps costs fewer readings than the full demo's one or two, and the
// frame of an instant is the same whatever came before it.
constexpr int32_t stepMs = 20;
std::vector<float> stepLevels; // NaN until read

// The beats of a loud passage come about half a second apart, with a beat left out now and then;
// a second bridges them, so a passage shows one loud picture rather than a flash a beat.
constexpr int32_t holdMs = 1000;
constexpr float loudLevel = 1.5f;
// The strip looks 4 % nearer for each unit of level over the threshold: 5 to 15 % on a loud beat
// of the default track, where the full demo brings it 1.5 to 4 times nearer. Measured: larger
// jumps over the bright tunnel come near 3 flashes a second at the cut to it.
constexpr double jumpPerUnit = 0.04;
constexpr float maxLuminanceChange = 0.09f;

float levelAtStep(int64_t step) {
    const int64_t frame = frameAtMs(step * stepMs);
    // Outside the track (before playback, say) a reading costs nothing and is not kept, nor is one
    // whose window reaches past what is decoded yet.
    if (step < 0 || step >= static_cast<int64_t>(stepLevels.size()) ||
        frame + fftSize / 2 > music.stream.frameCount())
        return music.levelAtFrame(frame);
    float& level = stepLevels[static_cast<size_t>(step)];
    if (std::isnan(level)) level = music.levelAtFrame(frame);
    return level;
}

} // namespace

void setGentleFlashes(bool on) {
    gentle = on;
}

bool gentleFlashes() {
    return gentle;
}

// Room for the longest track, which may still be decoding: 120 KB.
void prepareGentleFlashes() {
    stepLevels.assign(static_cast<size_t>(maxTrackSeconds * 1000 / stepMs + 1), NAN);
}

GentleBeat gentleBeat() {
    const int64_t frame = shownTrackFrame();
    const int64_t stepFrames = frameAtMs(stepMs);
    const int64_t step = frame < 0 ? -1 : frame / stepFrames;
    // Between two steps the jump moves on smoothly.
    const float into = frame < 0 ? 0.0f : static_cast<float>(frame % stepFrames) / stepFrames;
    const float level = levelAtStep(step) + into * (levelAtStep(step + 1) - levelAtStep(step));
    bool loud = false;
    for (int64_t back = 0; back * stepMs < holdMs && !loud; ++back)
        loud = levelAtStep(step - back) > loudLevel;
    const double scale = 1.0 + jumpPerUnit * std::max(0.0, double{level} - loudLevel);
    return GentleBeat{loud, static_cast<float>(scale)};
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
