#pragma once

#include "platform/PictureArea.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

// Streams raw YUV 4:2:0 frames (I420, BT.601 limited range, as FrameReadback makes them) into
// ffmpeg, running as a child process, which encodes them as H.264 with the track from the given
// instant as AAC sound.
struct VideoPipe {
    pid_t child = -1;
    int input = -1; // the write end of ffmpeg's standard input
};

// Where ffmpeg is on PATH; empty when it is not there.
std::string findFfmpeg();
extern const char* const ffmpegMissing;

bool openVideoPipe(VideoPipe& pipe, const std::string& output, const std::string& trackFile,
                   PixelSize frameSize, int fps, int32_t fromMs, int32_t durationMs,
                   std::string& error);
bool writeVideoFrame(VideoPipe& pipe, const uint8_t* frame, size_t bytes, std::string& error);
// Ends the stream and waits for ffmpeg to finish the file.
bool closeVideoPipe(VideoPipe& pipe, std::string& error);
