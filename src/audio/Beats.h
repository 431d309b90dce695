#pragma once

#include <cstdint>
#include <vector>

// The track's beats as the spectrum level finds them. The level is read on a grid of 5 ms of
// track, each reading taken once and kept: a beat starts at a loud reading (over 1.5, the banner's
// threshold) that comes after 200 ms without one. On the default track the loud readings come in
// bursts of up to 50 ms, the level flickering about the threshold, 380 ms or more apart: a burst
// is one beat. The grid is fine because a weak beat is loud for as little as 10 ms; at 20 ms it
// missed some.
namespace beatGrid {
inline constexpr int32_t stepMs = 5;
inline constexpr float loudLevel = 1.5f;
inline constexpr int32_t quietBeforeMs = 200;
inline constexpr int64_t quietSteps = quietBeforeMs / stepMs;
} // namespace beatGrid

// A step and the track frames it spans: 5 ms is 220.5 frames.
int64_t stepAtFrame(int64_t frame); // -1 for frames before the track
int64_t frameAtStep(int64_t step);

// Makes room for a reading of every step of the longest track; before the
// loop starts, since the loop allocates nothing. Readings already kept are dropped.
void prepareBeats();

// The level at a step of the grid (step * 5 ms of track); outside the track it is read each time
// and not kept.
float levelAtStep(int64_t step);
bool loudAtStep(int64_t step);

// Whether a beat starts at this step.
bool beatStartsAt(int64_t step);

// The step at which the latest beat up to `step` started, looking back no more than `withinSteps`
// steps; -1 when none did.
int64_t latestBeatStart(int64_t step, int64_t withinSteps);

// The instants, in ms of track, at which the beats of [fromMs, toMs) start, in order.
std::vector<int32_t> beatInstants(int32_t fromMs, int32_t toMs);
