#pragma once

#include "platform/PictureArea.h"

#include <cstdint>
#include <string>
#include <vector>

// A GL context that needs no display: EGL on Mesa's surfaceless platform, or a hidden SDL window
// when that is not available. False with the reason when neither works.
bool createOffscreenContext(std::string& error);
// The framebuffer object the frames are drawn into, with a depth buffer like the demo's window's:
// the output size times samples along each axis, which becomes the frame's drawable. False with
// a one-line reason when this GL cannot draw or allocate that much.
bool createFramebuffer(PixelSize output, int samples, std::string& error);
void destroyOffscreenContext();
// Which of the two contexts it is, for the progress line.
const char* offscreenContextKind();

// The frame at the output size as RGB rows, top row first: each pixel the plain average of its
// samples x samples rendered pixels.
void readFramePixels(std::vector<uint8_t>& rgb);
