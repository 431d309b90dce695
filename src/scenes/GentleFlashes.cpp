#include "scenes/GentleFlashes.h"

#include "assets/Srgb.h"
#include "audio/Beats.h"
#include "audio/Music.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool gentle = false;

// The beats of a loud passage come about half a second apart, with a beat left out now and then;
// a second bridges them, so a passage shows one loud picture rather than a flash a beat.
constexpr int32_t holdMs = 1000;
constexpr float maxLuminanceChange = 0.09f;

// Each beat: the strip 9 % nearer and its light up by 8 % (from 92 % between beats), both
// easing back over 200 ms. Measured over the whole timeline: the jump alone answers up to 97 % of
// the beats and leaves the scenes' light as it was (motion is no flash); the glow alone answers
// 56 % but lifts the bright sphere and star, drawn over the banner, in step with the beats (20 %
// of light failed there with extended flashing); together they answer every beat and no second
// comes near a warning.
constexpr double jump = 0.09;
constexpr double glow = 0.08;
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
                      static_cast<float>(loud ? 1.0 - glow * (1.0 - pulse) : 1.0)};
}

RgbPicture makeGentleLoudPicture(const RgbPicture& calm, const RgbPicture& loud) {
    RgbPicture gentleLoud;
    const size_t bytes = static_cast<size_t>(calm.width) * calm.height * 3;
    gentleLoud.pixels = static_cast<uint8_t*>(std::malloc(bytes));
    if (!gentleLoud.pixels) return gentleLoud;
    gentleLoud.width = calm.width;
    gentleLoud.height = calm.height;
    std::memcpy(gentleLoud.pixels, calm.pixels, bytes);
    if (loud.width != calm.width || loud.height != calm.height) return gentleLoud;
    // One share for the whole picture, so that its light keeps its shape (the rays, the lit
    // windows) at a lower contrast.
    float widest = 0;
    for (size_t i = 0; i < bytes; i += 3) {
        const float change =
            relativeLuminance(loud.pixels[i], loud.pixels[i + 1], loud.pixels[i + 2]) -
            relativeLuminance(calm.pixels[i], calm.pixels[i + 1], calm.pixels[i + 2]);
        widest = std::max(widest, std::abs(change));
    }
    const float share = widest > maxLuminanceChange ? maxLuminanceChange / widest : 1.0f;
    for (size_t i = 0; i < bytes; ++i) {
        const float from = linearFromSrgb(calm.pixels[i]);
        gentleLoud.pixels[i] =
            srgbFromLinear(from + share * (linearFromSrgb(loud.pixels[i]) - from));
    }
    return gentleLoud;
}
