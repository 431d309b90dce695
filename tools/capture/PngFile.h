#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An 8-bit RGB picture, rows top first.
struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

// Writes with fixed compression settings, so the same pixels always give the same bytes. False
// with the reason in error when the file cannot be written.
bool writePng(const std::string& path, const RgbImage& image, std::string& error);
// The same for RGB rows, top first, held elsewhere. Safe to call from several threads at once.
bool writePng(const std::string& path, int width, int height, const uint8_t* rgb,
              std::string& error);
// Reads an 8-bit RGB or RGBA PNG (alpha dropped). False for anything else.
bool readPng(const std::string& path, RgbImage& image);
