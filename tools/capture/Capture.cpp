#include "Capture.h"

#include "ContactSheet.h"
#include "FrameTimes.h"
#include "OffscreenContext.h"
#include "PngFile.h"
#include "Progress.h"
#include "VideoPipe.h"
#include "app/Frame.h"
#include "audio/Music.h"
#include "platform/DisplaySettings.h"
#include "platform/MessageBox.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const trackFile = "data/music.ogg";

// A batch tool must never wait for someone to press OK: the standard-error line is enough.
void dropMessageBox(const char*, const char*) {
}

int fail(const std::string& error) {
    std::fprintf(stderr, "demo-capture: %s\n", error.c_str());
    return 1;
}

// A terminal gets the line that updates in place; a log, when asked for, plain lines.
ProgressStyle progressStyle(const CaptureOptions& options) {
    const bool terminal = isatty(STDERR_FILENO) != 0;
    switch (options.progress) {
    case CaptureOptions::Progress::Auto:
        return terminal ? ProgressStyle::UpdatingLine : ProgressStyle::Off;
    case CaptureOptions::Progress::Always:
        return terminal ? ProgressStyle::UpdatingLine : ProgressStyle::LogLines;
    case CaptureOptions::Progress::Never:
        break;
    }
    return ProgressStyle::Off;
}

// Draws the frame of one instant with every spectrum reading taken at that instant.
void renderFrame(int32_t ms, std::vector<uint8_t>& rgb) {
    pinSpectrumClock(ms);
    drawFrame(ms);
    readFramePixels(rgb);
}

RgbImage frameImage(std::vector<uint8_t>&& rgb) {
    return RgbImage{displaySettings.width, displaySettings.height, std::move(rgb)};
}

bool makeDirectories(const std::string& path, std::string& error) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (!prefix.empty() && mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
            error = "cannot make the directory " + prefix + ": " + std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

// ffmpeg would only say so after every frame had been rendered.
bool checkWritable(const std::string& path, std::string& error) {
    struct stat info;
    const bool existed = stat(path.c_str(), &info) == 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::fclose(file);
    if (!existed) std::remove(path.c_str());
    return true;
}

int captureSinglePicture(const CaptureOptions& options) {
    std::vector<uint8_t> rgb;
    primeFrameState(options.atMs);
    renderFrame(options.atMs, rgb);
    std::string error;
    return writePng(options.output, frameImage(std::move(rgb)), error) ? 0 : fail(error);
}

int captureSequence(const CaptureOptions& options) {
    std::string error;
    const std::string directory =
        options.output.back() == '/' ? options.output : options.output + "/";
    const FrameRange range = framesBetween(options.fromMs, options.toMs, options.fps);
    Progress progress;
    startProgress(progress, progressStyle(options), range.count);
    primeFrameState(instantOfFrame(range.first, options.fps));
    std::vector<uint8_t> rgb;
    for (int64_t i = 0; i < range.count; ++i) {
        const int64_t n = range.first + i;
        renderFrame(instantOfFrame(n, options.fps), rgb);
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(n));
        if (!writePng(directory + name, frameImage(std::move(rgb)), error)) return fail(error);
        showProgress(progress, i + 1);
    }
    endProgress(progress);
    return 0;
}

int captureVideo(const CaptureOptions& options) {
    std::string error;
    const FrameRange range = framesBetween(options.fromMs, options.toMs, options.fps);
    VideoPipe video;
    if (!openVideoPipe(video, options.output, trackFile, options.fps, options.fromMs,
                       options.toMs - options.fromMs, error))
        return fail(error);
    Progress progress;
    startProgress(progress, progressStyle(options), range.count);
    primeFrameState(instantOfFrame(range.first, options.fps));
    std::vector<uint8_t> rgb;
    bool ok = true;
    for (int64_t i = 0; i < range.count && ok; ++i) {
        renderFrame(instantOfFrame(range.first + i, options.fps), rgb);
        ok = writeVideoFrame(video, rgb.data(), rgb.size(), error);
        showProgress(progress, i + 1);
    }
    endProgress(progress);
    ok = closeVideoPipe(video, error) && ok;
    if (!ok) return fail(error);
    return 0;
}

int captureContactSheet(const CaptureOptions& options) {
    const SheetLayout layout =
        layoutSheet(options.sheetCount, displaySettings.width, displaySettings.height);
    RgbImage sheet = makeEmptySheet(layout);
    Progress progress;
    startProgress(progress, progressStyle(options), options.sheetCount);
    std::vector<uint8_t> rgb;
    for (int i = 0; i < options.sheetCount; ++i) {
        // The instants are far apart: each one starts from the state the live demo has there.
        const int32_t ms = sheetInstant(i, options.sheetCount, options.fromMs, options.toMs);
        primeFrameState(ms);
        renderFrame(ms, rgb);
        placeThumbnail(sheet, layout, i, rgb, displaySettings.width);
        showProgress(progress, i + 1);
    }
    endProgress(progress);
    std::string error;
    return writePng(options.output, sheet, error) ? 0 : fail(error);
}

// Everything that can be found wrong with the output, found before a frame is rendered.
bool checkOutput(const CaptureOptions& options, std::string& error) {
    if (options.kind == CaptureKind::PictureSequence) return makeDirectories(options.output, error);
    if (options.kind == CaptureKind::Video && findFfmpeg().empty()) {
        error = ffmpegMissing;
        return false;
    }
    return checkWritable(options.output, error);
}

} // namespace

int runCapture(const CaptureOptions& options) {
    setMessageBoxHandler(dropMessageBox);
    std::string error;
    if (!checkOutput(options, error)) return fail(error);
    if (!createOffscreenContext(error)) return fail(error);
    if (!openMusicTrack()) {
        showMessageBox("Music opening error");
        destroyOffscreenContext();
        return 1;
    }
    setInitialGlState();
    loadScenes();

    int status = 1;
    switch (options.kind) {
    case CaptureKind::SinglePicture:
        status = captureSinglePicture(options);
        break;
    case CaptureKind::PictureSequence:
        status = captureSequence(options);
        break;
    case CaptureKind::Video:
        status = captureVideo(options);
        break;
    case CaptureKind::ContactSheet:
        status = captureContactSheet(options);
        break;
    }
    music.stop();
    destroyOffscreenContext();
    return status;
}
