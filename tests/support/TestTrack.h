#pragma once

#include <string>
#include <vector>

// Writes a short Ogg Vorbis track of a steady sine (amplitude 0 for silence) at 44.1 kHz.
bool writeSineTrack(const std::string& path, double seconds, double hz, double amplitude);
// The same, silent but for the sine from `from` to `to` seconds.
bool writeSineBurstTrack(const std::string& path, double seconds, double hz, double amplitude,
                         double from, double to);
// The same with any number of bursts, each from `from` to `to` seconds.
struct SineBurst {
    double from, to;
};
bool writeSineBurstsTrack(const std::string& path, double seconds, double hz, double amplitude,
                          const std::vector<SineBurst>& bursts);
