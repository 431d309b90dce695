#include "CaptureOptions.h"

#include "SegmentCheck.h"
#include "Segments.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <set>
#include <sys/stat.h>

const char* const captureUsage =
    "usage: demo-capture [options] -o OUTPUT\n"
    "       demo-capture [options] --flash-report REPORT.csv [-o OUTPUT]\n"
    "  -o FILE.png --at MS         one frame\n"
    "  -o DIR/                     a PNG sequence, DIR/frame-NNNNNN.png (NNNNNN: frame number)\n"
    "  -o FILE.mp4|.mkv|.mov       a video with the track as sound (H.264, through ffmpeg)\n"
    "  -o FILE.yuv                 raw frames for an encoder of your own: planar YUV 4:2:0\n"
    "                              (I420), BT.601 limited range, no sound\n"
    "  -o FILE.mkv --lossless      a lossless master: FFV1 version 3 (RGB) and FLAC\n"
    "  -o FILE.png --sheet N       a contact sheet of N frames at evenly spaced instants\n"
    "  -o FILE.png --strip N       N frames at evenly spaced instants in a row, the full\n"
    "                              flashes above the gentle ones\n"
    "  --from MS --to MS           the span to record, from <= t < to (default 0 to 136000)\n"
    "  --fps F                     frames per second (default 60)\n"
    "  --frames A-B                a segment: frames A up to B (not included) at --fps; as a\n"
    "                              video, FILE.mkv without sound, to be joined\n"
    "  --frames A-B -o FILE.m4a    the sound of those frames (AAC), for a join into MP4 or\n"
    "                              QuickTime to copy\n"
    "  --join SEGMENT... -o FILE   the segments, in order, as one video with the track's sound\n"
    "                              (copied from a FILE.m4a among them, if there is one)\n"
    "  --plan N -o DIR/            the N segments of the span and, unless --lossless, its sound\n"
    "                              piece, each 'done' when DIR holds it whole and made with\n"
    "                              these options, else 'todo'\n"
    "  --size WxH                  frame size in pixels (default 1024x768); the 4:3 picture is\n"
    "                              centred with black bars on another shape (1920x1080: at the\n"
    "                              sides); videos need an even width and height\n"
    "  --supersample N             render N x N pixels for each one written, averaged (1 to 4)\n"
    "  --gentle                    the demo with gentle flashes, safe for photosensitive\n"
    "                              viewers\n"
    "  --flash-report FILE.csv     analyse every frame for flashing (WCAG 2.x, ISO 9241-391):\n"
    "                              one CSV row a frame, a summary on standard error, exit\n"
    "                              status 1 when it fails; without -o nothing else is written\n"
    "  --progress / --quiet        progress on standard error always / never\n"
    "                              (default: only when standard error is a terminal)\n"
    "  --version                   print the version and exit\n"
    "Run it where the demo runs: it reads data/ under the working directory.\n";

namespace {

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

const long maxSide = 32768;

bool readInteger(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

// "WxH", each side a whole number from 1 up to what no GL exceeds.
bool readSize(const std::string& text, PixelSize& size) {
    const size_t cross = text.find('x');
    // strtol would take a sign or leading blanks.
    if (cross == std::string::npos || text.find_first_of("+- \t") != std::string::npos)
        return false;
    long width = 0, height = 0;
    if (!readInteger(text.substr(0, cross).c_str(), 1, maxSide, width) ||
        !readInteger(text.substr(cross + 1).c_str(), 1, maxSide, height))
        return false;
    size = PixelSize{static_cast<int32_t>(width), static_cast<int32_t>(height)};
    return true;
}

} // namespace

bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error) {
    bool haveAt = false, haveRange = false;
    std::set<std::string> seen;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        // Two of one option would leave one of them unheard; --quiet and --progress are one choice.
        const std::string option = flag == "--quiet" ? "--progress" : flag;
        if (option.rfind('-', 0) == 0 && !seen.insert(option).second) {
            error =
                flag == option ? flag + " is given twice" : "--progress and --quiet are one choice";
            return false;
        }
        if (flag == "--gentle") {
            options.gentle = true;
            continue;
        }
        if (flag == "--progress" || flag == "--quiet") {
            options.progress = flag == "--progress" ? CaptureOptions::Progress::Always
                                                    : CaptureOptions::Progress::Never;
            continue;
        }
        if (const int taken = parseSegmentOption(argc, argv, i, options, error)) {
            if (taken < 0) return false;
            i += taken - 1;
            continue;
        }
        if (flag == "-h" || flag == "--help" || flag == "--version") {
            error = flag == "--version" ? "version" : "help";
            return false;
        }
        if (i + 1 >= argc) {
            error = flag.rfind('-', 0) == 0 ? flag + " needs a value" : "unexpected " + flag;
            return false;
        }
        const char* value = argv[++i];
        long number = 0;
        if (flag == "-o") {
            options.output = value;
        } else if (flag == "--flash-report") {
            options.flashReport = value;
        } else if (flag == "--at" || flag == "--from" || flag == "--to") {
            if (!readInteger(value, 0, INT32_MAX, number)) {
                error = flag + " takes milliseconds, a whole number from 0: not '" + value + "'";
                return false;
            }
            (flag == "--at"     ? options.atMs
             : flag == "--from" ? options.fromMs
                                : options.toMs) = static_cast<int32_t>(number);
            (flag == "--at" ? haveAt : haveRange) = true;
        } else if (flag == "--fps") {
            if (!readInteger(value, 1, 1000, number)) {
                error =
                    std::string("--fps takes a whole number from 1 to 1000: not '") + value + "'";
                return false;
            }
            options.fps = static_cast<int>(number);
        } else if (flag == "--sheet" || flag == "--strip") {
            if (options.sheetCount > 0) {
                error = "--sheet and --strip are one choice";
                return false;
            }
            if (!readInteger(value, 1, 10000, number)) {
                error = flag + " takes a count from 1 to 10000: not '" + value + "'";
                return false;
            }
            options.sheetCount = static_cast<int>(number);
            options.strip = flag == "--strip";
        } else if (flag == "--size") {
            if (!readSize(value, options.size)) {
                error = std::string("--size takes WIDTHxHEIGHT in pixels, each from 1 to ") +
                        std::to_string(maxSide) + ", such as 1920x1080: not '" + value + "'";
                return false;
            }
        } else if (flag == "--supersample") {
            if (!readInteger(value, 1, 4, number)) {
                error = std::string("--supersample takes a whole number from 1 to 4: not '") +
                        value + "'";
                return false;
            }
            options.supersample = static_cast<int>(number);
        } else {
            error = "unknown option " + flag;
            return false;
        }
    }

    if (options.output.empty() && options.flashReport.empty()) {
        error = "no output: name one with -o";
        return false;
    }
    if (options.fromMs >= options.toMs) {
        error = "--from must come before --to";
        return false;
    }
    const std::string sheetFlag = options.strip ? "--strip" : "--sheet";
    if (options.strip && options.gentle) {
        error = "--strip shows the full flashes above the gentle ones: it goes without --gentle";
        return false;
    }
    if (!options.flashReport.empty()) {
        if (haveAt || options.sheetCount > 0) {
            error = "--flash-report analyses a span of frames: it goes with neither --at nor " +
                    sheetFlag;
            return false;
        }
        if (options.flashReport == options.output) {
            error = "--flash-report and -o name the same file";
            return false;
        }
        if (options.output.empty()) {
            options.kind = CaptureKind::FlashReportOnly;
            return finishSegmentOptions(argc, argv, options, haveRange, error);
        }
    }
    if (haveAt && (haveRange || options.sheetCount > 0)) {
        error = "--at takes one frame: it goes with neither --from/--to nor " + sheetFlag;
        return false;
    }
    const std::string& out = options.output;
    const bool png = endsWith(out, ".png");
    if (haveAt || options.sheetCount > 0) {
        if (!png) {
            error = (haveAt ? std::string("--at") : sheetFlag) + " writes a PNG: name it FILE.png";
            return false;
        }
        options.kind = haveAt ? CaptureKind::SinglePicture : CaptureKind::ContactSheet;
    } else if (endsWith(out, "/") || isDirectory(out)) {
        options.kind = CaptureKind::PictureSequence;
    } else if (endsWith(out, ".mp4") || endsWith(out, ".mkv") || endsWith(out, ".mov")) {
        options.kind = CaptureKind::Video;
    } else if (isSoundPiece(out)) {
        options.kind = CaptureKind::SoundPiece;
    } else if (endsWith(out, ".yuv")) {
        options.kind = CaptureKind::RawVideo;
    } else {
        error = png ? "a single PNG needs --at MS (or --sheet N for a contact sheet)"
                    : "cannot tell what to write from '" + out +
                          "': use FILE.png, DIR/, FILE.mp4 or FILE.yuv";
        return false;
    }
    // 4:2:0 keeps one colour sample for every two by two pixels.
    const bool video = options.kind == CaptureKind::Video || options.kind == CaptureKind::RawVideo;
    if (video && (options.size.width % 2 != 0 || options.size.height % 2 != 0)) {
        error = "a video needs an even width and height, not " +
                std::to_string(options.size.width) + "x" + std::to_string(options.size.height);
        return false;
    }
    return finishSegmentOptions(argc, argv, options, haveAt || haveRange || options.sheetCount > 0,
                                error);
}
