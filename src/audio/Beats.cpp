#include "audio/Beats.h"

#include "audio/Music.h"

#include <cmath>

namespace {

std::vector<float> stepLevels; // NaN until read

float readStep(int64_t step) {
    return music.levelAtFrame(frameAtStep(step));
}

} // namespace

int64_t stepAtFrame(int64_t frame) {
    if (frame < 0) return -1;
    // A step's first frame is rounded down from its 220.5: the half frame is counted in.
    return (frame * 2 + 1) * 1000 / (int64_t{2} * outputRate * beatGrid::stepMs);
}

int64_t frameAtStep(int64_t step) {
    return frameAtMs(step * beatGrid::stepMs);
}

// Room for the longest track, since the track may still be decoding: 480 KB.
void prepareBeats() {
    stepLevels.assign(static_cast<size_t>(maxTrackSeconds * 1000 / beatGrid::stepMs + 1), NAN);
}

float levelAtStep(int64_t step) {
    // Outside the track (before playback, say) a reading costs nothing and is not kept, nor is one
    // whose window reaches past what is decoded yet.
    if (step < 0 || step >= static_cast<int64_t>(stepLevels.size()) ||
        frameAtStep(step) + fftSize / 2 > music.stream.frameCount())
        return readStep(step);
    float& level = stepLevels[static_cast<size_t>(step)];
    if (std::isnan(level)) level = readStep(step);
    return level;
}

bool loudAtStep(int64_t step) {
    return levelAtStep(step) > beatGrid::loudLevel;
}

bool beatStartsAt(int64_t step) {
    if (!loudAtStep(step)) return false;
    for (int64_t back = 1; back <= beatGrid::quietSteps; ++back)
        if (loudAtStep(step - back)) return false;
    return true;
}

int64_t latestBeatStart(int64_t step, int64_t withinSteps) {
    // Only a loud step can start a beat, and most steps are quiet: the look back over the quiet
    // ones before it is paid for the few loud ones.
    for (int64_t s = step; s >= step - withinSteps; --s)
        if (beatStartsAt(s)) return s;
    return -1;
}

std::vector<int32_t> beatInstants(int32_t fromMs, int32_t toMs) {
    std::vector<int32_t> beats;
    // One pass, each step read once: the quiet steps before `fromMs` decide whether its first loud
    // reading starts a beat.
    const int64_t first = (int64_t{fromMs} + beatGrid::stepMs - 1) / beatGrid::stepMs;
    int64_t quiet = 0;
    for (int64_t step = first - beatGrid::quietSteps; step * beatGrid::stepMs < toMs; ++step) {
        if (!loudAtStep(step)) {
            ++quiet;
            continue;
        }
        if (quiet >= beatGrid::quietSteps && step >= first)
            beats.push_back(static_cast<int32_t>(step * beatGrid::stepMs));
        quiet = 0;
    }
    return beats;
}
