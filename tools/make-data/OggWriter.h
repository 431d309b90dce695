#pragma once

#include <cstdint>

// Encodes interleaved stereo float samples as Ogg Vorbis (VBR at the given quality, -0.1 ... 1).
// The stream's serial number is fixed, so the same samples always give the same bytes; files that
// are to be chained one after another need serial numbers of their own.
bool writeOggVorbis(const char* fileName, const float* stereo, int64_t frames, int rate,
                    float quality = 0.5f, int serialNumber = 0x44656d6f);
