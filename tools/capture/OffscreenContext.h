#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A GL context with a 1024 x 768 RGBA8 framebuffer and a depth buffer like the demo's window's,
// that needs no display: EGL on Mesa's surfaceless platform, or a hidden SDL window when that is
// not available. Either way the frames are drawn into a framebuffer object.
bool createOffscreenContext(std::string& error);
void destroyOffscreenContext();
// Which of the two it is, for the progress line.
const char* offscreenContextKind();

// The framebuffer as RGB rows, top row first.
void readFramePixels(std::vector<uint8_t>& rgb);
