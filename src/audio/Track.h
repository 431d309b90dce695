#pragma once

#include <cstdint>
#include <vector>

// Everything in the audio layer runs at the output rate; tracks of other rates are converted once
// when they are decoded.
inline constexpr int outputRate = 44100;

// Tracks are decoded whole into memory, so their length has a limit: ten minutes of stereo float
// are 212 MB, and the demo plays 136 seconds. What lies beyond it is not decoded.
inline constexpr int64_t maxTrackSeconds = 600;
inline constexpr int64_t maxTrackFrames = maxTrackSeconds * outputRate;
// The highest sampling rate taken, which keeps even the longest track's samples within what the
// rate conversion can take in one piece.
inline constexpr long maxTrackRate = 192000;

// A whole decoded track: interleaved left/right float samples at the output rate.
struct Track {
    std::vector<float> stereo;

    int64_t frameCount() const { return static_cast<int64_t>(stereo.size() / 2); }
};

// Decodes a whole Ogg Vorbis file, up to maxTrackSeconds. False, with the track left empty, when
// the file is missing, unreadable or not Ogg Vorbis, when its rate is over maxTrackRate, or when
// its stream is damaged. In a chained file, decoding stops at the first link of another rate.
bool decodeOggVorbis(const char* fileName, Track& track);

// The frame of the output rate at which a millisecond of the timeline begins.
inline int64_t frameAtMs(int64_t ms) {
    return ms * outputRate / 1000;
}
