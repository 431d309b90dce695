#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Each check writes the bytes to a file, as the demo would find them in data/, runs one loader on
// it the way the demo does, and checks what the loader promises of its result. Memory errors and
// undefined behaviour are the sanitizers' to catch; these catch results the demo cannot use
// safely. True when all holds; otherwise false with the reason in failure.
//
// The fuzz targets abort on false; the regression test runs every saved finding through them.

// Mesh::loadObj: the file gains its line end, counts and cursors agree, and every index that
// draw() will use lies inside its array.
bool checkObjReader(const uint8_t* data, size_t size, std::string& failure);
// decodeJpegFile: a decoded picture has a size within the limit and a buffer that holds all of it.
bool checkJpegDecoder(const uint8_t* data, size_t size, std::string& failure);
// decodeOggVorbis, then the spectrum level at the start, the middle and the end of the track and
// at instants beyond it: a decoded track stays within the length the decoder allows.
bool checkOggTrack(const uint8_t* data, size_t size, std::string& failure);
