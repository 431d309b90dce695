#include "TestTrack.h"

#include "OggWriter.h"

#include <cmath>
#include <vector>

bool writeSineTrack(const std::string& path, double seconds, double hz, double amplitude) {
    return writeSineBurstTrack(path, seconds, hz, amplitude, 0, seconds);
}

bool writeSineBurstTrack(const std::string& path, double seconds, double hz, double amplitude,
                         double from, double to) {
    const int rate = 44100;
    const auto frames = static_cast<int64_t>(seconds * rate);
    std::vector<float> stereo(static_cast<size_t>(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        const bool sounding = i >= from * rate && i < to * rate;
        const double sample =
            sounding ? amplitude * std::sin(2.0 * 3.14159265358979323846 * hz * i / rate) : 0.0;
        stereo[2 * i] = stereo[2 * i + 1] = static_cast<float>(sample);
    }
    return writeOggVorbis(path.c_str(), stereo.data(), frames, rate);
}
