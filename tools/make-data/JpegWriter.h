#pragma once

#include "Picture.h"

#include <string>

// Encodes the picture as a baseline JPEG with full-resolution colour (4:4:4), so thin lines and
// text keep their colour. The same picture always gives the same bytes.
bool writeJpeg(const std::string& path, const Picture& picture, int quality = 92);
