#include "Segments.h"

#include "SegmentCheck.h"
#include "Subprocess.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <sys/stat.h>
#include <vector>

namespace {

bool fileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string framesText(FrameRange frames) {
    return std::to_string(frames.first) + "-" + std::to_string(frames.first + frames.count);
}

// "A-B", whole frame numbers with A < B.
bool readFrames(const std::string& text, FrameRange& frames) {
    const size_t dash = text.find('-');
    int64_t first = 0, end = 0;
    if (dash == std::string::npos || !readWholeNumber(text.substr(0, dash), first) ||
        !readWholeNumber(text.substr(dash + 1), end) || end <= first)
        return false;
    frames = {first, end - first};
    return true;
}

// Why a whole segment is not the one a plan needs; empty when it is.
std::string howItDiffers(const std::string& path, const SegmentInfo& held, FrameRange frames,
                         const CaptureOptions& options) {
    if (held.fps != options.fps || held.frames.first != frames.first ||
        held.frames.count != frames.count)
        return path + " holds frames " + framesText(held.frames) + " at " +
               std::to_string(held.fps) + " frames per second";
    const auto shown = [](const std::string& list) { return list.empty() ? "none" : list; };
    if (held.options != options.shapingOptions)
        return path + " was made with other options: " + shown(held.options) +
               " (these: " + shown(options.shapingOptions) + ")";
    return {};
}

} // namespace

int parseSegmentOption(int argc, const char* const* argv, int i, CaptureOptions& options,
                       std::string& error) {
    const std::string flag = argv[i];
    if (flag == "--lossless") {
        options.lossless = true;
        return 1;
    }
    if (flag == "--join") {
        int taken = 1;
        while (i + taken < argc && argv[i + taken][0] != '-')
            options.joinInputs.push_back(argv[i + taken++]);
        if (taken == 1) error = "--join needs the segments to join, in order";
        return taken > 1 ? taken : -1;
    }
    if (flag != "--frames" && flag != "--plan") return 0;
    if (i + 1 >= argc) {
        error = flag + " needs a value";
        return -1;
    }
    const std::string value = argv[i + 1];
    int64_t count = 0;
    if (flag == "--plan") {
        if (!readWholeNumber(value, count) || count < 1 || count > 10000) {
            error = "--plan takes a count of segments from 1 to 10000: not '" + value + "'";
            return -1;
        }
        options.planSegments = static_cast<int>(count);
    } else if (!readFrames(value, options.frames)) {
        error =
            "--frames takes A-B, frame numbers from A up to B (not included): not '" + value + "'";
        return -1;
    }
    return 2;
}

std::string optionsShapingFrames(int argc, const char* const* argv) {
    // Which frames, where to, how loudly and whether they are analysed as well: the pictures are
    // the same whatever these say.
    const std::vector<std::string> withValue = {"-o",      "--frames", "--plan",
                                                "--from",  "--to",     "--at",
                                                "--sheet", "--strip",  "--flash-report"};
    const std::vector<std::string> alone = {"--progress", "--quiet"};
    std::vector<std::string> shaping;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool hasValue = i + 1 < argc && argv[i + 1][0] != '-';
        if (flag == "--join") {
            while (i + 1 < argc && argv[i + 1][0] != '-') ++i;
        } else if (std::find(withValue.begin(), withValue.end(), flag) != withValue.end()) {
            i += hasValue;
        } else if (std::find(alone.begin(), alone.end(), flag) == alone.end()) {
            shaping.push_back(hasValue ? flag + " " + argv[++i] : flag);
        }
    }
    // The same options in another order make the same pictures.
    std::sort(shaping.begin(), shaping.end());
    std::string text;
    for (const std::string& option : shaping) text += (text.empty() ? "" : " ") + option;
    return text;
}

bool finishSegmentOptions(int argc, const char* const* argv, CaptureOptions& options,
                          bool spanGiven, std::string& error) {
    options.shapingOptions = optionsShapingFrames(argc, argv);
    const bool segment = options.frames.count > 0;
    if (!options.joinInputs.empty()) {
        if (segment || spanGiven || options.planSegments > 0 || !options.shapingOptions.empty()) {
            error = "--join takes the segments, -o and --progress or --quiet, nothing else: the "
                    "segments hold the rest";
            return false;
        }
        if (options.kind != CaptureKind::Video) {
            error = "--join writes a video: name it FILE.mp4, FILE.mov or FILE.mkv";
            return false;
        }
        return true;
    }
    if (options.kind == CaptureKind::SoundPiece) {
        if (!segment) {
            error = "FILE.m4a is the sound of a segment's frames, for --join: it goes with "
                    "--frames A-B";
            return false;
        }
        if (options.lossless) {
            error = "a lossless master carries FLAC, made by the join: a sound piece is for an "
                    "MP4 or QuickTime join";
            return false;
        }
        if (!options.flashReport.empty()) {
            error = "--flash-report analyses frames: FILE.m4a holds only their sound";
            return false;
        }
    }
    if (segment) {
        if (spanGiven) {
            error = "--frames is the span itself: it goes with neither --from/--to, --at nor "
                    "--sheet";
            return false;
        }
        const int64_t end = options.frames.first + options.frames.count;
        if (static_cast<double>(end) * 1000.0 / options.fps > INT32_MAX) {
            error = "--frames " + framesText(options.frames) + " goes past the last instant a " +
                    "recording can have";
            return false;
        }
        // The same frames as --from and --to at their instants, since no two frames share one.
        options.fromMs = instantOfFrame(options.frames.first, options.fps);
        options.toMs = instantOfFrame(end, options.fps);
    }
    if (options.planSegments > 0) {
        if (options.kind != CaptureKind::PictureSequence) {
            error = "--plan looks for the segments in a directory: name it with -o DIR/";
            return false;
        }
        // The segments will be videos.
        if (options.size.width % 2 != 0 || options.size.height % 2 != 0) {
            error = "a video needs an even width and height, not " +
                    std::to_string(options.size.width) + "x" + std::to_string(options.size.height);
            return false;
        }
        const int64_t frames = framesBetween(options.fromMs, options.toMs, options.fps).count;
        if (options.planSegments > frames) {
            error = std::to_string(options.planSegments) + " segments need as many frames: the " +
                    "span holds " + std::to_string(frames);
            return false;
        }
        return true;
    }
    const bool matroska = options.kind == CaptureKind::Video && isMatroska(options.output);
    if (options.lossless && !matroska) {
        error = "--lossless writes FFV1 in Matroska: name it FILE.mkv";
        return false;
    }
    if (segment && options.kind == CaptureKind::Video && !matroska) {
        error = "a segment is written in Matroska: name it FILE.mkv";
        return false;
    }
    return true;
}

VideoStream videoStreamFor(const CaptureOptions& options) {
    VideoStream stream;
    stream.output = options.output;
    stream.size = options.size;
    stream.fps = options.fps;
    stream.lossless = options.lossless;
    if (options.frames.count > 0) {
        stream.segment = options.frames;
        stream.tags = segmentTags(options.frames, options.fps, options.shapingOptions);
    } else {
        stream.trackFile = soundTrackFile;
        stream.soundFromMs = options.fromMs;
        stream.soundDurationMs = options.toMs - options.fromMs;
    }
    return stream;
}

FrameRange segmentOfSpan(FrameRange span, int count, int index) {
    const int64_t start = span.count * index / count, end = span.count * (index + 1) / count;
    return {span.first + start, end - start};
}

namespace {

std::string pieceFileName(const char* kind, FrameRange frames, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%06lld-%06lld.%s", kind,
                  static_cast<long long>(frames.first),
                  static_cast<long long>(frames.first + frames.count), extension);
    return name;
}

// A line of the plan: whether the piece at path is there, whole and as this run would make it.
void planLine(FrameRange frames, const std::string& path, const std::string& whyNotDone) {
    if (!whyNotDone.empty() && fileExists(path))
        std::fprintf(stderr, "demo-capture: %s: it is to be rendered again\n", whyNotDone.c_str());
    std::printf("%s %s %s\n", whyNotDone.empty() ? "done" : "todo", framesText(frames).c_str(),
                path.c_str());
}

} // namespace

std::string segmentFileName(FrameRange frames) {
    return pieceFileName("frames", frames, "mkv");
}

std::string soundPieceFileName(FrameRange frames) {
    return pieceFileName("sound", frames, "m4a");
}

int runPlan(const CaptureOptions& options) {
    // Without ffprobe every segment would look missing, and all would be rendered again.
    if (findProgram("ffprobe").empty()) {
        std::fprintf(stderr, "demo-capture: ffprobe is not on PATH: install ffmpeg "
                             "(apt-get install ffmpeg)\n");
        return 1;
    }
    const std::string directory =
        options.output.back() == '/' ? options.output : options.output + "/";
    const FrameRange span = framesBetween(options.fromMs, options.toMs, options.fps);
    for (int k = 0; k < options.planSegments; ++k) {
        const FrameRange frames = segmentOfSpan(span, options.planSegments, k);
        const std::string path = directory + segmentFileName(frames);
        SegmentInfo held;
        std::string why = "missing";
        if (fileExists(path) && readSegment(path, held, why))
            why = howItDiffers(path, held, frames, options);
        planLine(frames, path, why);
    }
    if (!options.lossless) {
        const std::string path = directory + soundPieceFileName(span);
        SoundPieceInfo held;
        std::string why = "missing";
        if (fileExists(path) && readSoundPiece(path, held, why))
            why = held.fps == options.fps && held.frames.first == span.first &&
                          held.frames.count == span.count
                      ? ""
                      : path + " is the sound of frames " + framesText(held.frames) + " at " +
                            std::to_string(held.fps) + " frames per second";
        planLine(span, path, why);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
