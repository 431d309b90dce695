#pragma once

#include <string>

// Writes a short Ogg Vorbis track of a steady sine (amplitude 0 for silence) at 44.1 kHz.
bool writeSineTrack(const std::string& path, double seconds, double hz, double amplitude);
// The same, silent but for the sine from `from` to `to` seconds.
bool writeSineBurstTrack(const std::string& path, double seconds, double hz, double amplitude,
                         double from, double to);
