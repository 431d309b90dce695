#pragma once

#include <string>
#include <vector>

// The sizes of the icon as PNG files, those of the freedesktop hicolor theme's usual folders.
const std::vector<int>& iconPngSizes();

// Writes the icon into a directory (created when needed): NxN.png for each of iconPngSizes(),
// and demo.ico for Windows (16 to 64 pixels as bitmaps, 256 as PNG). A file that already holds
// the same bytes is left untouched, so builds that use it do not start again. False, after a
// message on standard error, when a file cannot be written.
bool writeIcons(const std::string& directory);

// The bytes of an ICO file holding the icon at the given sizes (256 at most).
std::string iconFile(const std::vector<int>& sizes);

// The bytes of a PNG file of the icon at one size.
std::string iconPng(int size);
