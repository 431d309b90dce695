#include "Capture.h"

#include "ContactSheet.h"
#include "FlashAnalysis.h"
#include "FrameTimes.h"
#include "FrameWorkers.h"
#include "OffscreenContext.h"
#include "PngFile.h"
#include "Progress.h"
#include "Segments.h"
#include "VideoPipe.h"
#include "Yuv420.h"
#include "app/Frame.h"
#include "audio/Beats.h"
#include "audio/Music.h"
#include "platform/MessageBox.h"
#include "scenes/GentleFlashes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

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

RgbImage frameImage(const CaptureOptions& options, std::vector<uint8_t>&& rgb) {
    return RgbImage{options.size.width, options.size.height, std::move(rgb)};
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
    return writePng(options.output, frameImage(options, std::move(rgb)), error) ? 0 : fail(error);
}

// The flash analysis that every frame of a span passes through, when one was asked for: a copy of
// each frame goes to a worker of its own, which takes them in order while the next ones are drawn.
FrameWorkers* flashAnalysis = nullptr;

// Draws the range's frames in order and hands each one's RGB rows to the flash analysis, in order,
// and to the workers, which encode or write it while the next frames are drawn. Without workers
// the frames are only analysed. False when a worker has failed (it holds the reason).
bool renderRange(const CaptureOptions& options, FrameWorkers* workers) {
    const FrameRange range = framesBetween(options.fromMs, options.toMs, options.fps);
    Progress progress;
    startProgress(progress, progressStyle(options), range.count);
    primeFrameState(instantOfFrame(range.first, options.fps));
    std::vector<uint8_t> analysed;
    bool ok = true;
    for (int64_t i = 0; i < range.count && ok; ++i) {
        const int32_t ms = instantOfFrame(range.first + i, options.fps);
        pinSpectrumClock(ms);
        drawFrame(ms);
        std::vector<uint8_t>* rgb = workers ? workers->acquire() : &analysed;
        ok = rgb != nullptr;
        if (!ok) break;
        readFramePixels(*rgb);
        if (flashAnalysis) {
            std::vector<uint8_t>* copy = flashAnalysis->acquire();
            if (copy) {
                copy->assign(rgb->begin(), rgb->end());
                flashAnalysis->submit(range.first + i, copy);
            }
        }
        if (workers) workers->submit(range.first + i, rgb);
        showProgress(progress, i + 1);
    }
    endProgress(progress);
    return ok;
}

// Renders into the workers and gathers what went wrong.
bool renderWithWorkers(const CaptureOptions& options, FrameWorkers& workers, std::string& error) {
    const bool rendered = renderRange(options, &workers);
    return workers.finish(error) && rendered;
}

size_t rgbFrameBytes(const CaptureOptions& options) {
    return static_cast<size_t>(options.size.width) * options.size.height * 3;
}

int captureSequence(const CaptureOptions& options) {
    const std::string directory =
        options.output.back() == '/' ? options.output : options.output + "/";
    // Compressing a picture takes most of what drawing one takes: a writer for every core.
    const int writers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    FrameWorkers pictures(writers, writers + 2, rgbFrameBytes(options),
                          [&](int64_t n, const std::vector<uint8_t>& rgb, std::string& error) {
                              char name[32];
                              std::snprintf(name, sizeof name, "frame-%06lld.png",
                                            static_cast<long long>(n));
                              return writePng(directory + name, options.size.width,
                                              options.size.height, rgb.data(), error);
                          });
    std::string error;
    return renderWithWorkers(options, pictures, error) ? 0 : fail(error);
}

// One writer, so the frames stay in order; it converts each to the encoder's YUV 4:2:0, unless
// the RGB rows go on as they are, and hands it on. A few buffers let the writer fall behind for a
// moment without holding up the drawing.
using FrameSink = std::function<bool(const std::vector<uint8_t>& frame, std::string& error)>;
bool renderVideoFrames(const CaptureOptions& options, bool yuv, const FrameSink& sink,
                       std::string& error) {
    const int width = options.size.width, height = options.size.height;
    std::vector<uint8_t> converted(yuv ? yuv420Bytes(width, height) : 0);
    FrameWorkers writer(1, 3, rgbFrameBytes(options),
                        [&](int64_t, const std::vector<uint8_t>& rgb, std::string& writeError) {
                            if (!yuv) return sink(rgb, writeError);
                            convertRgbToYuv420(rgb.data(), width, height, converted.data());
                            return sink(converted, writeError);
                        });
    return renderWithWorkers(options, writer, error);
}

int captureVideo(const CaptureOptions& options) {
    std::string error;
    VideoPipe video;
    if (!openVideoPipe(video, videoStreamFor(options), error)) return fail(error);
    bool ok = renderVideoFrames(
        options, !options.lossless,
        [&](const std::vector<uint8_t>& frame, std::string& writeError) {
            return writeVideoFrame(video, frame.data(), frame.size(), writeError);
        },
        error);
    ok = closeVideoPipe(video, error) && ok;
    return ok ? 0 : fail(error);
}

int captureRawVideo(const CaptureOptions& options) {
    std::FILE* file = std::fopen(options.output.c_str(), "wb");
    if (!file) return fail("cannot write " + options.output + ": " + std::strerror(errno));
    std::string error;
    bool ok = renderVideoFrames(
        options, true,
        [&](const std::vector<uint8_t>& yuv, std::string& writeError) {
            if (std::fwrite(yuv.data(), 1, yuv.size(), file) == yuv.size()) return true;
            writeError = "cannot write " + options.output + ": " + std::strerror(errno);
            return false;
        },
        error);
    if (std::fclose(file) != 0 && ok) {
        error = "cannot write " + options.output + ": " + std::strerror(errno);
        ok = false;
    }
    return ok ? 0 : fail(error);
}

int captureContactSheet(const CaptureOptions& options) {
    SheetLayout layout = layoutSheet(options.sheetCount, options.size.width, options.size.height);
    if (options.strip) {
        layout.columns = options.sheetCount;
        layout.rows = 2;
    }
    RgbImage sheet = makeEmptySheet(layout);
    Progress progress;
    const int frames = options.sheetCount * layout.rows;
    startProgress(progress, progressStyle(options), frames);
    std::vector<uint8_t> rgb;
    for (int n = 0; n < frames; ++n) {
        const int i = n % options.sheetCount;
        // A strip's second row is gentle, the switch being one the demo reads at each frame.
        if (options.strip) setGentleFlashes(n >= options.sheetCount);
        // The instants are far apart: each one starts from the state the live demo has there.
        const int32_t ms = sheetInstant(i, options.sheetCount, options.fromMs, options.toMs);
        primeFrameState(ms);
        renderFrame(ms, rgb);
        placeThumbnail(sheet, layout, n, rgb, options.size.width);
        showProgress(progress, n + 1);
    }
    endProgress(progress);
    std::string error;
    return writePng(options.output, sheet, error) ? 0 : fail(error);
}

// Everything that can be found wrong with the output, found before a frame is rendered.
bool checkOutput(const CaptureOptions& options, std::string& error) {
    if (!options.flashReport.empty() && !checkWritable(options.flashReport, error)) return false;
    if (options.kind == CaptureKind::FlashReportOnly) return true;
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
    if (!createOffscreenContext(error)) return fail(error);
    // A size this GL cannot draw is the caller's mistake, as a malformed one is: status 2, and
    // nothing written, not even the sequence's directory.
    if (!createFramebuffer(options.size, options.supersample, error)) {
        destroyOffscreenContext();
        std::fprintf(stderr, "demo-capture: %s\n", error.c_str());
        return 2;
    }
    if (!checkOutput(options, error)) {
        destroyOffscreenContext();
        return fail(error);
    }
    if (!openMusicTrack()) {
        showMessageBox("Music opening error");
        destroyOffscreenContext();
        return 1;
    }
    setGentleFlashes(options.gentle);
    setInitialGlState();
    loadScenes();

    FlashAnalysis analysis(options.size, options.fps);
    std::unique_ptr<FrameWorkers> analyser;
    if (!options.flashReport.empty()) {
        if (!analysis.open(options.flashReport, error)) {
            music.stop();
            destroyOffscreenContext();
            return fail(error);
        }
        // Read here, on this thread: the level's readings share the analyser with the drawing.
        analysis.setBeats(beatInstants(options.fromMs, options.toMs));
        analyser = std::make_unique<FrameWorkers>(
            1, 3, rgbFrameBytes(options),
            [&](int64_t n, const std::vector<uint8_t>& rgb, std::string&) {
                analysis.addFrame(instantOfFrame(n, options.fps), rgb.data());
                return true;
            });
        flashAnalysis = analyser.get();
    }

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
    case CaptureKind::RawVideo:
        status = captureRawVideo(options);
        break;
    case CaptureKind::ContactSheet:
        status = captureContactSheet(options);
        break;
    case CaptureKind::FlashReportOnly:
        status = renderRange(options, nullptr) ? 0 : 1;
        break;
    case CaptureKind::SoundPiece: // runSoundPiece's, which draws nothing: never here
        break;
    }
    if (analyser) {
        flashAnalysis = nullptr;
        analyser->finish(error);
        if (!analysis.close(error)) {
            status = fail(error);
        } else {
            std::fputs(analysis.summary().c_str(), stderr);
            // As a linter's: a recording that fails the limits is a failed run.
            if (status == 0 && analysis.failed()) status = 1;
        }
    }
    music.stop();
    destroyOffscreenContext();
    return status;
}
