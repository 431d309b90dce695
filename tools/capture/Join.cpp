#include "Join.h"

#include "SegmentCheck.h"
#include "Subprocess.h"
#include "VideoPipe.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

int refuse(const std::string& why) {
    std::fprintf(stderr, "demo-capture: cannot join: %s\n", why.c_str());
    return 1;
}

std::string span(int64_t first, int64_t end) {
    return std::to_string(first) + "-" + std::to_string(end);
}

int64_t endOf(FrameRange frames) {
    return frames.first + frames.count;
}

// Why the second segment does not take over where the first ends; empty when it does.
std::string seamFault(const std::string& before, FrameRange a, const std::string& after,
                      FrameRange b) {
    if (b.first == endOf(a)) return {};
    if (b.first > endOf(a))
        return "frames " + span(endOf(a), b.first) + " are missing between " + before + " and " +
               after;
    if (b.first < a.first)
        return after + " (frames " + span(b.first, endOf(b)) + ") comes after " + before +
               " (frames " + span(a.first, endOf(a)) + ") but holds earlier frames";
    return "frames " + span(b.first, std::min(endOf(a), endOf(b))) + " are in both " + before +
           " and " + after;
}

// What must be alike for a stream copy to make one video of them.
std::string settings(const SegmentInfo& segment) {
    return segment.codec + " " + segment.pixelFormat + " " + std::to_string(segment.width) + "x" +
           std::to_string(segment.height) + " at " + std::to_string(segment.fps) +
           " fps, options '" + segment.options + "'";
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    std::vector<char> directory(4096);
    if (!getcwd(directory.data(), directory.size())) return path;
    return std::string(directory.data()) + "/" + path;
}

// The concat demuxer's list. It moves each file's timestamps from where the file starts to where
// the files before it end: both are given, as the instant of the file's first frame and the span
// its frames cover, so that every frame keeps its own instant, less the first one's. (Left to
// itself, ffmpeg finds no start in a short H.264 segment and shifts it by its length.)
bool writeConcatList(const std::string& path, const std::vector<std::string>& inputs,
                     const std::vector<SegmentInfo>& segments, std::string& error) {
    std::string list = "ffconcat version 1.0\n";
    for (size_t k = 0; k < inputs.size(); ++k) {
        std::string quoted;
        for (const char c : absolutePath(inputs[k]))
            quoted += c == '\'' ? "'\\''" : std::string(1, c);
        const int64_t start = instantOfFrame(segments[k].frames.first, segments[k].fps);
        const int64_t end = instantOfFrame(endOf(segments[k].frames), segments[k].fps);
        list += "file '" + quoted + "'\ninpoint " + secondsText(start) + "\nduration " +
                secondsText(end - start) + "\n";
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool ok = file && std::fwrite(list.data(), 1, list.size(), file) == list.size();
    if ((file && std::fclose(file) != 0) || !ok) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// The joined video holds every frame once, in order, at its instant, and the sound.
bool checkJoined(const std::string& path, int64_t frames, int fps, std::string& error) {
    Probe probe;
    if (!probeVideo(path, probe, error)) return false;
    int video = -1;
    bool sound = false;
    for (size_t i = 0; i < probe.streams.size(); ++i) {
        if (probe.streams[i].type == "video" && video < 0) video = static_cast<int>(i);
        sound = sound || probe.streams[i].type == "audio";
    }
    if (video < 0 || !sound) {
        error = "the joined video lacks its " + std::string(video < 0 ? "pictures" : "sound");
        return false;
    }
    const ProbedStream& stream = probe.streams[size_t(video)];
    std::vector<int64_t> times;
    for (const ProbedPacket& packet : probe.packets)
        if (packet.stream == video) times.push_back(packet.pts);
    if (int64_t(times.size()) != frames) {
        error = "the joined video holds " + std::to_string(times.size()) + " frames, not " +
                std::to_string(frames);
        return false;
    }
    std::sort(times.begin(), times.end());
    for (int64_t n = 0; n < frames; ++n) {
        const double seconds =
            double(times[size_t(n)]) * double(stream.timeBaseNum) / double(stream.timeBaseDen);
        if (std::llround(seconds * fps) != n) {
            error = "frame " + std::to_string(n) + " of the joined video is at " +
                    std::to_string(seconds) + " s";
            return false;
        }
    }
    return true;
}

// The track's span from the frames' instants is read where the demo runs.
bool trackReadable(std::string& error) {
    if (access(soundTrackFile, R_OK) == 0) return true;
    error = std::string("cannot read ") + soundTrackFile + " (" + std::strerror(errno) +
            "): run it in the directory that holds data/";
    return false;
}

} // namespace

int runSoundPiece(const CaptureOptions& options) {
    const auto fail = [](const std::string& why) {
        std::fprintf(stderr, "demo-capture: %s\n", why.c_str());
        return 1;
    };
    const std::string ffmpeg = findFfmpeg();
    if (ffmpeg.empty()) return fail(ffmpegMissing);
    std::string error;
    if (!trackReadable(error)) return fail(error);
    const std::string& output = options.output;
    const std::string partial = partialFile(output);
    std::vector<std::string> arguments = {ffmpeg,  "-hide_banner", "-loglevel",
                                          "error", "-nostdin",     "-y"};
    const auto append = [&](const std::vector<std::string>& more) {
        arguments.insert(arguments.end(), more.begin(), more.end());
    };
    append(soundInputArguments(soundTrackFile, options.fromMs, options.toMs - options.fromMs));
    append({"-map", "0:a:0"});
    append(soundCodecArguments(output));
    for (const std::string& tag : segmentTags(options.frames, options.fps, ""))
        append({"-metadata", tag});
    append(containerArguments(output));
    arguments.push_back(partial);
    const ProgramRun run = runProgram(arguments);
    SoundPieceInfo written;
    if (!run.ok)
        error = "ffmpeg could not write the sound: " + firstLine(run.errors);
    else if (readSoundPiece(partial, written, error) &&
             std::rename(partial.c_str(), output.c_str()) != 0)
        error = "cannot name " + partial + " " + output + ": " + std::strerror(errno);
    if (error.empty()) return 0;
    std::remove(partial.c_str());
    return fail(error);
}

int runJoin(const CaptureOptions& options) {
    const std::string ffmpeg = findFfmpeg();
    if (ffmpeg.empty()) return refuse(ffmpegMissing);
    std::vector<std::string> inputs;
    std::string sound;
    for (const std::string& input : options.joinInputs) {
        if (!isSoundPiece(input))
            inputs.push_back(input);
        else if (sound.empty())
            sound = input;
        else
            return refuse("two sound pieces, " + sound + " and " + input + ": give one");
    }
    if (inputs.empty()) return refuse("no segments of video, only " + sound);
    std::vector<SegmentInfo> segments(inputs.size());
    std::string error;
    for (size_t k = 0; k < inputs.size(); ++k)
        if (!readSegment(inputs[k], segments[k], error)) return refuse(error);
    for (size_t k = 1; k < inputs.size(); ++k) {
        if (settings(segments[k]) != settings(segments[0]))
            return refuse(inputs[k] + " was made otherwise than " + inputs[0] + " (" +
                          settings(segments[k]) + ", not " + settings(segments[0]) + ")");
        const std::string fault =
            seamFault(inputs[k - 1], segments[k - 1].frames, inputs[k], segments[k].frames);
        if (!fault.empty()) return refuse(fault);
    }
    const std::string& output = options.output;
    const bool matroska = isMatroska(output);
    if (segments[0].codec != "h264" && !matroska)
        return refuse("the segments are " + segments[0].codec + ": join them into FILE.mkv");
    const int fps = segments[0].fps;
    const int64_t first = segments.front().frames.first, end = endOf(segments.back().frames);
    if (!sound.empty()) {
        SoundPieceInfo piece;
        if (!readSoundPiece(sound, piece, error)) return refuse(error);
        if (matroska)
            return refuse(sound + " is AAC for an MP4 or QuickTime join: a Matroska one carries "
                                  "FLAC, made from the track; leave it out");
        if (piece.fps != fps || piece.frames.first != first || endOf(piece.frames) != end)
            return refuse(sound + " is the sound of frames " +
                          span(piece.frames.first, endOf(piece.frames)) + " at " +
                          std::to_string(piece.fps) + " fps, not of the segments' " +
                          span(first, end) + " at " + std::to_string(fps));
    } else if (!trackReadable(error)) {
        return refuse(error);
    }
    const int32_t fromMs = instantOfFrame(first, fps);
    const std::string partial = partialFile(output), list = partial + ".ffconcat";
    if (!writeConcatList(list, inputs, segments, error)) return refuse(error);
    std::vector<std::string> arguments = {
        ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f",   "concat",       "-safe",     "0",     "-i",       list};
    // The sound piece is the very AAC that encoding the span here would give.
    const std::vector<std::string> soundInput =
        sound.empty()
            ? soundInputArguments(soundTrackFile, fromMs, instantOfFrame(end, fps) - fromMs)
            : std::vector<std::string>{"-i", sound};
    const std::vector<std::string> soundCodec =
        sound.empty() ? soundCodecArguments(output) : std::vector<std::string>{"-c:a", "copy"};
    for (const std::string& argument : soundInput) arguments.push_back(argument);
    for (const char* argument : {"-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy"})
        arguments.push_back(argument);
    for (const std::string& argument : soundCodec) arguments.push_back(argument);
    // Matroska counts milliseconds; MP4 and QuickTime count in frames, which the instants
    // round back to exactly.
    if (!matroska)
        for (const std::string& argument :
             {std::string("-video_track_timescale"), std::to_string(fps)})
            arguments.push_back(argument);
    for (const std::string& argument : containerArguments(output)) arguments.push_back(argument);
    arguments.push_back(partial);

    const ProgramRun run = runProgram(arguments);
    std::remove(list.c_str());
    if (!run.ok) error = "ffmpeg could not join them: " + firstLine(run.errors);
    if (run.ok && checkJoined(partial, end - first, fps, error) &&
        std::rename(partial.c_str(), output.c_str()) == 0)
        return 0;
    if (error.empty())
        error = "cannot name " + partial + " " + output + ": " + std::strerror(errno);
    std::remove(partial.c_str());
    return refuse(error);
}
