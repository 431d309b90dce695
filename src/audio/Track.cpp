#include "audio/Track.h"

#include <SDL.h>
#include <vorbis/vorbisfile.h>

namespace {

// Vorbis orders three channels as left, centre, right and five or more as front left, centre,
// front right, ...; fewer than three, and four, put right second.
int rightChannelOf(int channels) {
    if (channels == 1) return 0;
    return (channels == 3 || channels >= 5) ? 2 : 1;
}

bool readAllFrames(OggVorbis_File& file, int channels, std::vector<float>& stereo) {
    const int right = rightChannelOf(channels);
    int section = 0;
    for (;;) {
        float** pcm = nullptr;
        const long frames = ov_read_float(&file, &pcm, 4096, &section);
        if (frames == 0) return true;
        if (frames == OV_HOLE) continue; // a gap in the page sequence: decoding resumes after it
        if (frames < 0) return false;
        for (long i = 0; i < frames; ++i) {
            stereo.push_back(pcm[0][i]);
            stereo.push_back(pcm[right][i]);
        }
    }
}

bool convertToOutputRate(int rate, std::vector<float>& stereo) {
    SDL_AudioStream* converter =
        SDL_NewAudioStream(AUDIO_F32SYS, 2, rate, AUDIO_F32SYS, 2, outputRate);
    if (!converter) return false;
    const int bytes = static_cast<int>(stereo.size() * sizeof(float));
    bool ok = SDL_AudioStreamPut(converter, stereo.data(), bytes) == 0 &&
              SDL_AudioStreamFlush(converter) == 0;
    std::vector<float> converted(static_cast<size_t>(SDL_AudioStreamAvailable(converter)) /
                                 sizeof(float));
    ok = ok && SDL_AudioStreamGet(converter, converted.data(),
                                  static_cast<int>(converted.size() * sizeof(float))) >= 0;
    SDL_FreeAudioStream(converter);
    stereo.swap(converted);
    return ok;
}

} // namespace

bool decodeOggVorbis(const char* fileName, Track& track) {
    track.stereo.clear();
    OggVorbis_File file;
    if (ov_fopen(fileName, &file) != 0) return false;
    const vorbis_info* info = ov_info(&file, -1);
    const int channels = info ? info->channels : 0;
    const long rate = info ? info->rate : 0;
    bool ok = channels > 0 && rate > 0;
    if (ok) {
        const ogg_int64_t total = ov_pcm_total(&file, -1);
        if (total > 0) track.stereo.reserve(static_cast<size_t>(total) * 2);
        ok = readAllFrames(file, channels, track.stereo);
    }
    ov_clear(&file);
    if (ok && rate != outputRate) ok = convertToOutputRate(static_cast<int>(rate), track.stereo);
    if (!ok) track.stereo.clear();
    return ok;
}
