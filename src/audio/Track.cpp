#include "audio/Track.h"

#include <SDL.h>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vorbis/vorbisfile.h>

namespace {

// Vorbis orders three channels as left, centre, right and five or more as front left, centre,
// front right, ...; fewer than three, and four, put right second.
int rightChannelOf(int channels) {
    if (channels == 1) return 0;
    return (channels == 3 || channels >= 5) ? 2 : 1;
}

} // namespace

struct TrackDecoder {
    OggVorbis_File file;
    long rate = 0;
    int section = 0;
    int64_t inputFrames = 0; // decoded so far, at the file's rate
    // Tracks of another rate go through SDL's resampler as they are decoded. It keeps its last
    // few milliseconds back even when flushed: a tenth of a second of silence after the track
    // pushes them out, and is cut off again at the end.
    SDL_AudioStream* converter = nullptr;
    std::vector<float> atFileRate;
};

namespace {

// Moves what the resampler has ready onto the end of the track.
bool takeConverted(TrackDecoder& decoder, Track& track) {
    const int bytes = SDL_AudioStreamAvailable(decoder.converter);
    if (bytes <= 0) return bytes == 0;
    const size_t had = track.stereo.size();
    track.stereo.resize(had + static_cast<size_t>(bytes) / sizeof(float));
    return SDL_AudioStreamGet(decoder.converter, track.stereo.data() + had, bytes) >= 0;
}

// SDL's resampler gives slightly other samples for other sizes of what it is handed, so it is
// handed blocks of one size, whatever the pieces: the rest waits for the next piece, or the end.
constexpr size_t convertedBlockSamples = 4096 * 2;

bool convert(TrackDecoder& decoder, Track& track, bool all) {
    std::vector<float>& in = decoder.atFileRate;
    size_t at = 0;
    bool ok = true;
    while (ok && at < in.size() && (all || in.size() - at >= convertedBlockSamples)) {
        const size_t samples = std::min(convertedBlockSamples, in.size() - at);
        ok = SDL_AudioStreamPut(decoder.converter, in.data() + at,
                                static_cast<int>(samples * sizeof(float))) == 0;
        at += samples;
    }
    in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(at));
    return ok && takeConverted(decoder, track);
}

DecodeStep finish(TrackDecoder& decoder, Track& track) {
    if (decoder.converter) {
        decoder.atFileRate.resize(
            decoder.atFileRate.size() + static_cast<size_t>(decoder.rate / 10 + 1) * 2, 0.0f);
        if (!convert(decoder, track, true) || SDL_AudioStreamFlush(decoder.converter) != 0 ||
            !takeConverted(decoder, track))
            return DecodeStep::Failed;
        const int64_t frames = (decoder.inputFrames * outputRate + decoder.rate / 2) / decoder.rate;
        track.stereo.resize(std::min(track.stereo.size(), static_cast<size_t>(frames) * 2));
    }
    // The limit in seconds, at another rate, may round to a frame over it.
    if (track.frameCount() > maxTrackFrames) track.stereo.resize(maxTrackFrames * 2);
    track.complete = true;
    return DecodeStep::Done;
}

} // namespace

TrackDecoder* openTrackDecoder(const char* fileName, Track& track) {
    track = Track{};
    std::FILE* stdioFile = std::fopen(fileName, "rb");
    if (!stdioFile) return nullptr;
    auto* decoder = new TrackDecoder();
    // Read front to back as a stream, never seeking: the seekable open scans a chained file link
    // by link, and libvorbisfile leaks in that scan when a later link is damaged.
    if (ov_open_callbacks(stdioFile, &decoder->file, nullptr, 0, OV_CALLBACKS_STREAMONLY) != 0) {
        std::fclose(stdioFile);
        delete decoder;
        return nullptr;
    }
    const vorbis_info* info = ov_info(&decoder->file, -1);
    decoder->rate = info ? info->rate : 0;
    bool ok = info && info->channels > 0 && decoder->rate > 0 && decoder->rate <= maxTrackRate;
    if (ok && decoder->rate != outputRate) {
        decoder->converter = SDL_NewAudioStream(AUDIO_F32SYS, 2, static_cast<int>(decoder->rate),
                                                AUDIO_F32SYS, 2, outputRate);
        ok = decoder->converter != nullptr;
    }
    if (!ok) {
        closeTrackDecoder(decoder);
        return nullptr;
    }
    return decoder;
}

// Each link of a chained stream has a header of its own: a link may change the channel count, and
// one that changes the rate ends the track.
DecodeStep decodeTrackPiece(TrackDecoder& decoder, Track& track, int64_t frames) {
    if (track.complete) return DecodeStep::Done;
    const long rate = decoder.rate;
    const int64_t mostFrames = maxTrackSeconds * rate;
    const int64_t until = std::min(
        mostFrames, decoder.inputFrames + std::max<int64_t>(1, frames * rate / outputRate));
    std::vector<float>& out = decoder.converter ? decoder.atFileRate : track.stereo;
    while (decoder.inputFrames < until) {
        float** pcm = nullptr;
        const int wanted = static_cast<int>(std::min<int64_t>(4096, until - decoder.inputFrames));
        const long got = ov_read_float(&decoder.file, &pcm, wanted, &decoder.section);
        if (got == 0) return finish(decoder, track);
        if (got == OV_HOLE) continue; // a gap in the page sequence: decoding resumes after it
        if (got < 0) return DecodeStep::Failed;
        const vorbis_info* info = ov_info(&decoder.file, -1);
        if (!info || info->rate != rate) return finish(decoder, track);
        const int right = rightChannelOf(info->channels);
        decoder.inputFrames += got;
        for (long i = 0; i < got; ++i) {
            out.push_back(pcm[0][i]);
            out.push_back(pcm[right][i]);
        }
    }
    if (decoder.converter && !convert(decoder, track, false)) return DecodeStep::Failed;
    return decoder.inputFrames >= mostFrames ? finish(decoder, track) : DecodeStep::More;
}

void closeTrackDecoder(TrackDecoder* decoder) {
    if (!decoder) return;
    ov_clear(&decoder->file);
    if (decoder->converter) SDL_FreeAudioStream(decoder->converter);
    delete decoder;
}

bool decodeOggVorbis(const char* fileName, Track& track) {
    TrackDecoder* decoder = openTrackDecoder(fileName, track);
    if (!decoder) return false;
    DecodeStep step = DecodeStep::More;
    while (step == DecodeStep::More) step = decodeTrackPiece(*decoder, track, int64_t{1} << 20);
    closeTrackDecoder(decoder);
    if (step == DecodeStep::Failed) track = Track{};
    return step == DecodeStep::Done;
}
