#pragma once

#include "FrameTimes.h"
#include "platform/PictureArea.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// What ffmpeg, running as a child process, makes of the raw frames streamed into it.
struct VideoStream {
    std::string output; // .mp4, .mov or .mkv
    PixelSize size{1024, 768};
    int fps = 60;
    // FFV1 version 3 from RGB rows, losslessly; otherwise H.264 from YUV 4:2:0 (I420, BT.601
    // limited range, as Yuv420 makes it).
    bool lossless = false;
    // The frames' own numbers: a segment's timestamps start at its first frame's instant, so
    // that joined segments run on as one recording would. Empty for a whole recording, which
    // starts at 0 and carries the track's span from soundFromMs as its sound.
    FrameRange segment;
    std::string trackFile;
    int32_t soundFromMs = 0, soundDurationMs = 0;
    std::vector<std::string> tags; // KEY=value, kept in the container
};

struct VideoPipe {
    pid_t child = -1;
    int input = -1; // the write end of ffmpeg's standard input
    VideoStream stream;
};

// The demo's track, whose span becomes a video's sound.
extern const char* const soundTrackFile;

// Where ffmpeg is on PATH; empty when it is not there.
std::string findFfmpeg();
extern const char* const ffmpegMissing;

// A Matroska file, by its name: what segments and lossless masters are written as.
bool isMatroska(const std::string& path);

// Milliseconds as ffmpeg reads a time: "S.mmm", exactly.
std::string secondsText(int64_t ms);

// The encoder and container settings, the same for a whole recording, each of its segments and
// their join: segments only join by stream copy when they were encoded alike.
std::vector<std::string> videoCodecArguments(bool lossless);
// The track's span as ffmpeg's next input.
std::vector<std::string> soundInputArguments(const std::string& trackFile, int32_t fromMs,
                                             int32_t durationMs);
// AAC in MP4 and QuickTime, FLAC in Matroska.
std::vector<std::string> soundCodecArguments(const std::string& output);
// The muxer named by the output's extension, whatever name ffmpeg writes to.
std::vector<std::string> containerArguments(const std::string& output);

// A video is written as OUTPUT.part and only takes its own name once whole (and, for a segment,
// checked), so a run that dies never leaves a file that looks finished.
std::string partialFile(const std::string& output);

bool openVideoPipe(VideoPipe& pipe, const VideoStream& stream, std::string& error);
bool writeVideoFrame(VideoPipe& pipe, const uint8_t* frame, size_t bytes, std::string& error);
// Ends the stream, waits for ffmpeg to finish the file and gives it its name.
bool closeVideoPipe(VideoPipe& pipe, std::string& error);
