#include "VideoPipe.h"

#include "SegmentCheck.h"
#include "Subprocess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

const char* const ffmpegMissing =
    "ffmpeg is not on PATH: install it (apt-get install ffmpeg), or write PNGs with -o DIR/";

const char* const soundTrackFile = "data/music.ogg";

std::string findFfmpeg() {
    return findProgram("ffmpeg");
}

namespace {

void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

} // namespace

bool isMatroska(const std::string& path) {
    return path.size() >= 4 && path.compare(path.size() - 4, 4, ".mkv") == 0;
}

std::string secondsText(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    return text;
}

std::vector<std::string> videoCodecArguments(bool lossless) {
    if (lossless)
        // As archives keep it: every frame a key frame, each cut into slices with a CRC of its
        // own, so damage stays in one slice and shows. RGB as the frames are drawn.
        return {"-c:v",    "ffv1", "-level",    "3", "-g",       "1",
                "-slices", "16",   "-slicecrc", "1", "-pix_fmt", "bgr0"};
    // superfast keeps the encoder beside the renderer at real time on two cores. Say which matrix
    // made the YUV: players guess by the height (BT.709 for 720 rows and more), and would shift
    // the colours of a 1080p or 4K capture.
    return {"-c:v",     "libx264", "-preset",     "superfast", "-crf",         "18",
            "-pix_fmt", "yuv420p", "-colorspace", "smpte170m", "-color_range", "tv"};
}

std::vector<std::string> soundInputArguments(const std::string& trackFile, int32_t fromMs,
                                             int32_t durationMs) {
    return {"-ss", secondsText(fromMs), "-t", secondsText(durationMs), "-i", trackFile};
}

std::vector<std::string> soundCodecArguments(const std::string& output) {
    if (isMatroska(output)) return {"-c:a", "flac"};
    // ffmpeg's default AAC coder (twoloop) takes twice as long over the track as the fast one,
    // which was most of what a join of segments cost; the fast one's error is 47 dB below full
    // scale (the music at 15 dB below it) where twoloop's is 51 dB.
    return {"-c:a", "aac", "-aac_coder", "fast", "-b:a", "192k"};
}

std::vector<std::string> containerArguments(const std::string& output) {
    // No version strings in the file: the same frames give the same bytes.
    if (isMatroska(output)) return {"-f", "matroska", "-fflags", "+bitexact"};
    // A sound piece keeps its frames in tags of its own, which MP4 only writes when asked.
    const bool piece = isSoundPiece(output);
    return {"-f",
            output.size() >= 4 && output.compare(output.size() - 4, 4, ".mov") == 0 ? "mov" : "mp4",
            "-movflags",
            piece ? "+faststart+use_metadata_tags" : "+faststart",
            "-fflags",
            "+bitexact"};
}

std::string partialFile(const std::string& output) {
    return output + ".part";
}

bool openVideoPipe(VideoPipe& pipe, const VideoStream& stream, std::string& error) {
    const std::string ffmpeg = findFfmpeg();
    if (ffmpeg.empty()) {
        error = ffmpegMissing;
        return false;
    }
    pipe.stream = stream;
    const bool segment = stream.segment.count > 0;
    std::vector<std::string> arguments = {ffmpeg,  "-hide_banner", "-loglevel",
                                          "error", "-nostdin",     "-y"};
    // The frames, raw on standard input, in what the encoder takes.
    append(arguments,
           {"-f", "rawvideo", "-pixel_format", stream.lossless ? "rgb24" : "yuv420p", "-video_size",
            std::to_string(stream.size.width) + "x" + std::to_string(stream.size.height),
            "-framerate", std::to_string(stream.fps)});
    // Rescaled to 1/fps, the offset is the first frame's number exactly.
    if (segment) {
        char offset[40];
        std::snprintf(offset, sizeof offset, "%.9f",
                      static_cast<double>(stream.segment.first) / stream.fps);
        append(arguments, {"-itsoffset", offset});
    }
    append(arguments, {"-i", "-"});
    if (!segment)
        append(arguments,
               soundInputArguments(stream.trackFile, stream.soundFromMs, stream.soundDurationMs));
    append(arguments, {"-map", "0:v:0"});
    if (!segment) append(arguments, {"-map", "1:a:0"});
    append(arguments, videoCodecArguments(stream.lossless));
    if (!segment) append(arguments, soundCodecArguments(stream.output));
    for (const std::string& tag : stream.tags) append(arguments, {"-metadata", tag});
    append(arguments, containerArguments(stream.output));
    arguments.push_back(partialFile(stream.output));

    int ends[2];
    if (::pipe(ends) != 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    const bool started = startProgram(arguments, ends[0], ends[1], pipe.child, error);
    close(ends[0]);
    if (!started) {
        close(ends[1]);
        return false;
    }
    pipe.input = ends[1];
    // A dying ffmpeg must turn our next write into an error, not kill us.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

bool writeVideoFrame(VideoPipe& pipe, const uint8_t* frame, size_t bytes, std::string& error) {
    while (bytes > 0) {
        const ssize_t written = write(pipe.input, frame, bytes);
        if (written < 0) {
            if (errno == EINTR) continue;
            error = std::string("ffmpeg stopped taking frames: ") + std::strerror(errno);
            return false;
        }
        frame += written;
        bytes -= static_cast<size_t>(written);
    }
    return true;
}

bool closeVideoPipe(VideoPipe& pipe, std::string& error) {
    if (pipe.input >= 0) close(pipe.input);
    pipe.input = -1;
    const bool encoded = pipe.child > 0 && waitForProgram(pipe.child);
    pipe.child = -1;
    const VideoStream& stream = pipe.stream;
    const std::string partial = partialFile(stream.output);
    // A render that failed leaves error set: what ffmpeg finished is then not the recording.
    bool ok = encoded && error.empty();
    if (!encoded && error.empty())
        error = "ffmpeg could not write the video (its message is above)";
    if (ok && stream.segment.count > 0) {
        SegmentInfo written;
        ok = readSegment(partial, written, error);
        if (ok && (written.frames.first != stream.segment.first ||
                   written.frames.count != stream.segment.count)) {
            error = "ffmpeg wrote other frames than asked for into " + partial;
            ok = false;
        }
    }
    if (ok && std::rename(partial.c_str(), stream.output.c_str()) != 0) {
        error = "cannot name " + partial + " " + stream.output + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) std::remove(partial.c_str());
    return ok;
}
