#pragma once

#include "platform/PictureArea.h"

#include <cstdint>
#include <string>

enum class CaptureKind { SinglePicture, PictureSequence, Video, RawVideo, ContactSheet };

struct CaptureOptions {
    CaptureKind kind = CaptureKind::Video;
    std::string output;
    int32_t atMs = 0;
    int32_t fromMs = 0;
    int32_t toMs = 136000;
    int fps = 60;
    int sheetCount = 0;
    // The frames' size in pixels; the picture keeps its shape, centred, with black bars.
    PixelSize size{1024, 768};
    // Rendered pixels per output pixel along each axis, averaged down.
    int supersample = 1;
    // Progress on standard error: by default only when it is a terminal.
    enum class Progress { Auto, Always, Never } progress = Progress::Auto;
};

// Reads the command line. False with a one-line reason in error for anything it cannot use.
bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error);

extern const char* const captureUsage;
