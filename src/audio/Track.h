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

// A decoded track: interleaved left/right float samples at the output rate. It may be decoded a
// piece at a time, and then holds its first frameCount() frames until it is complete.
struct Track {
    std::vector<float> stereo;
    bool complete = false;

    int64_t frameCount() const { return static_cast<int64_t>(stereo.size() / 2); }
};

// Decodes a whole Ogg Vorbis file, up to maxTrackSeconds. False, with the track left empty, when
// the file is missing, unreadable or not Ogg Vorbis, when its rate is over maxTrackRate, or when
// its stream is damaged. In a chained file, decoding stops at the first link of another rate.
bool decodeOggVorbis(const char* fileName, Track& track);

// The same decoding a piece at a time, so that a page can show its start while the rest of the
// track is decoded: the pieces give the same samples as the whole decoding, whatever their sizes.
struct TrackDecoder; // libvorbisfile's state and the rate conversion, private to the decoder
// Opens the file and reads its headers, leaving the track empty. Null when the file is missing,
// unreadable or not Ogg Vorbis, or its rate is over maxTrackRate.
TrackDecoder* openTrackDecoder(const char* fileName, Track& track);
enum class DecodeStep {
    More,   // the track has grown and has more to come
    Done,   // the track is complete
    Failed, // the stream is damaged: the track holds what came before the damage
};
// Decodes about `frames` more frames of the file onto the end of the track (more where the rate
// conversion holds some back).
DecodeStep decodeTrackPiece(TrackDecoder& decoder, Track& track, int64_t frames);
void closeTrackDecoder(TrackDecoder* decoder);

// The frame of the output rate at which a millisecond of the timeline begins.
inline int64_t frameAtMs(int64_t ms) {
    return ms * outputRate / 1000;
}
