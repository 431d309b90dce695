#pragma once

#include <cstdint>
#include <vector>

// Everything in the audio layer runs at the output rate; tracks of other rates are converted once
// when they are decoded.
inline constexpr int outputRate = 44100;

// A whole decoded track: interleaved left/right float samples at the output rate.
struct Track {
    std::vector<float> stereo;

    int64_t frameCount() const { return static_cast<int64_t>(stereo.size() / 2); }
};

// Decodes a whole Ogg Vorbis file. False, with the track left empty, when the file is missing,
// unreadable or not Ogg Vorbis, or when its stream is damaged.
bool decodeOggVorbis(const char* fileName, Track& track);

// The frame of the output rate at which a millisecond of the timeline begins.
inline int64_t frameAtMs(int64_t ms) {
    return ms * outputRate / 1000;
}
