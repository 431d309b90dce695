#pragma once

#include <cstdint>
#include <vector>

// The default track: 136 s of 44.1 kHz stereo at 125 beats per minute. Kick drums, a clap, a bass
// line, a pad and an arpeggiated lead, arranged so the loud sections fall on the demo's busy
// scenes and the calm ones on its quiet stretches.
namespace MusicGenerator {

inline constexpr int sampleRate = 44100;
inline constexpr double lengthSeconds = 136.0;
inline constexpr double beatsPerMinute = 125.0;
inline constexpr double secondsPerBeat = 60.0 / beatsPerMinute;

// Loud sections carry the full kick and clap; calm ones only pad, lead and a soft pulse.
bool isLoudAt(double seconds);

// Interleaved left/right samples, the same on every run.
std::vector<float> renderTrack();

} // namespace MusicGenerator
