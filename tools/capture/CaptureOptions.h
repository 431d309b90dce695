#pragma once

#include "FrameTimes.h"
#include "platform/PictureArea.h"

#include <cstdint>
#include <string>
#include <vector>

// FlashReportOnly: frames analysed for flashing and nothing else written. SoundPiece: the sound
// of a segment's frames, for a join.
enum class CaptureKind {
    SinglePicture,
    PictureSequence,
    Video,
    RawVideo,
    ContactSheet,
    FlashReportOnly,
    SoundPiece
};

struct CaptureOptions {
    CaptureKind kind = CaptureKind::Video;
    std::string output;
    int32_t atMs = 0;
    int32_t fromMs = 0;
    int32_t toMs = 136000;
    int fps = 60;
    int sheetCount = 0;
    // The sheet as a strip: its frames in one row with full flashes, in another gentle.
    bool strip = false;
    // The frames' size in pixels; the picture keeps its shape, centred, with black bars.
    PixelSize size{1024, 768};
    // Rendered pixels per output pixel along each axis, averaged down.
    int supersample = 1;
    // Where the flash analysis of every frame goes, as CSV; empty for none.
    std::string flashReport;
    // The demo's gentle flashes instead of its full ones.
    bool gentle = false;
    // Progress on standard error: by default only when it is a terminal.
    enum class Progress { Auto, Always, Never } progress = Progress::Auto;
    // Recording in pieces (Segments.h): --frames A-B (count 0 when not given), --lossless,
    // --plan N, --join SEGMENT..., and the options that shape the pictures, which a segment
    // records.
    FrameRange frames;
    bool lossless = false;
    int planSegments = 0;
    std::vector<std::string> joinInputs;
    std::string shapingOptions;
};

// Reads the command line. False with a one-line reason in error for anything it cannot use.
bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error);

extern const char* const captureUsage;
