#include "TestTrack.h"

#include "OggWriter.h"

#include <cmath>
#include <vector>

bool writeSineTrack(const std::string& path, double seconds, double hz, double amplitude) {
    return writeSineBurstTrack(path, seconds, hz, amplitude, 0, seconds);
}

bool writeSineBurstTrack(const std::string& path, double seconds, double hz, double amplitude,
                         double from, double to) {
    return writeSineBurstsTrack(path, seconds, hz, amplitude, {{from, to}});
}

bool writeSineBurstsTrack(const std::string& path, double seconds, double hz, double amplitude,
                          const std::vector<SineBurst>& bursts) {
    const int rate = 44100;
    const auto frames = static_cast<int64_t>(seconds * rate);
    std::vector<float> stereo(static_cast<size_t>(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        bool sounding = false;
        for (const SineBurst& burst : bursts)
            sounding = sounding || (i >= burst.from * rate && i < burst.to * rate);
        const double sample =
            sounding ? amplitude * std::sin(2.0 * 3.14159265358979323846 * hz * i / rate) : 0.0;
        stereo[2 * i] = stereo[2 * i + 1] = static_cast<float>(sample);
    }
    return writeOggVorbis(path.c_str(), stereo.data(), frames, rate);
}
