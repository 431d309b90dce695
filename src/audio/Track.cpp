#include "audio/Track.h"

#include <SDL.h>
#include <algorithm>
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

// Each link of a chained stream has a header of its own: a link may change the channel count, and
// one that changes the rate ends the track.
bool readFrames(OggVorbis_File& file, long rate, int64_t mostFrames, std::vector<float>& stereo) {
    int section = 0;
    for (int64_t decoded = 0; decoded < mostFrames;) {
        float** pcm = nullptr;
        const int wanted = static_cast<int>(std::min<int64_t>(4096, mostFrames - decoded));
        const long frames = ov_read_float(&file, &pcm, wanted, &section);
        if (frames == 0) return true;
        if (frames == OV_HOLE) continue; // a gap in the page sequence: decoding resumes after it
        if (frames < 0) return false;
        const vorbis_info* info = ov_info(&file, -1);
        if (!info || info->rate != rate) return true;
        const int right = rightChannelOf(info->channels);
        decoded += frames;
        for (long i = 0; i < frames; ++i) {
            stereo.push_back(pcm[0][i]);
            stereo.push_back(pcm[right][i]);
        }
    }
    return true;
}

bool convertToOutputRate(int rate, std::vector<float>& stereo) {
    SDL_AudioStream* converter =
        SDL_NewAudioStream(AUDIO_F32SYS, 2, rate, AUDIO_F32SYS, 2, outputRate);
    if (!converter) return false;
    const int64_t frames = static_cast<int64_t>(stereo.size() / 2);
    const int64_t convertedFrames = (frames * outputRate + rate / 2) / rate;
    // The resampler keeps its last few milliseconds back even when flushed: a tenth of a second
    // of silence after the track pushes them out, and is cut off again below.
    stereo.resize(stereo.size() + static_cast<size_t>(rate / 10 + 1) * 2, 0.0f);
    const int bytes = static_cast<int>(stereo.size() * sizeof(float));
    bool ok = SDL_AudioStreamPut(converter, stereo.data(), bytes) == 0 &&
              SDL_AudioStreamFlush(converter) == 0;
    std::vector<float> converted(static_cast<size_t>(SDL_AudioStreamAvailable(converter)) /
                                 sizeof(float));
    ok = ok && SDL_AudioStreamGet(converter, converted.data(),
                                  static_cast<int>(converted.size() * sizeof(float))) >= 0;
    SDL_FreeAudioStream(converter);
    converted.resize(std::min(converted.size(), static_cast<size_t>(convertedFrames) * 2));
    stereo.swap(converted);
    return ok;
}

} // namespace

bool decodeOggVorbis(const char* fileName, Track& track) {
    track.stereo.clear();
    std::FILE* stdioFile = std::fopen(fileName, "rb");
    if (!stdioFile) return false;
    // Read front to back as a stream, never seeking: the seekable open scans a chained file link
    // by link, and libvorbisfile leaks in that scan when a later link is damaged.
    OggVorbis_File file;
    if (ov_open_callbacks(stdioFile, &file, nullptr, 0, OV_CALLBACKS_STREAMONLY) != 0) {
        std::fclose(stdioFile);
        return false;
    }
    const vorbis_info* info = ov_info(&file, -1);
    const long rate = info ? info->rate : 0;
    bool ok = info && info->channels > 0 && rate > 0 && rate <= maxTrackRate;
    if (ok) ok = readFrames(file, rate, maxTrackSeconds * rate, track.stereo);
    ov_clear(&file);
    if (ok && rate != outputRate) ok = convertToOutputRate(static_cast<int>(rate), track.stereo);
    // The limit in seconds, at another rate, may round to a frame over it.
    if (ok && track.frameCount() > maxTrackFrames) track.stereo.resize(maxTrackFrames * 2);
    if (!ok) track.stereo.clear();
    return ok;
}
