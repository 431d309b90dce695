#pragma once

#include <cstdint>
#include <string>
#include <vector>

// JPEG files made by the tests, through TurboJPEG, at quality 100 without chroma subsampling so
// that flat colours come back within a grey level or two.
enum class JpegKind { Rgb, Greyscale, Cmyk };

// pixels: width * height samples of 3 (Rgb), 1 (Greyscale) or 4 (Cmyk, Adobe-style inverted, as
// TurboJPEG writes it) bytes, top row first. Baseline, or progressive when asked.
bool writeJpeg(const std::string& path, int width, int height, const std::vector<uint8_t>& pixels,
               JpegKind kind = JpegKind::Rgb, bool progressive = false);

// A picture of one colour.
bool writeSolidJpeg(const std::string& path, int width, int height, uint8_t r, uint8_t g,
                    uint8_t b);

// Four flat quadrants, so mirroring and flipping show: top-left red, top-right green,
// bottom-left blue, bottom-right white.
bool writeQuadrantJpeg(const std::string& path, int width, int height);
