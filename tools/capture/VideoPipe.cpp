#include "VideoPipe.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

const char* const ffmpegMissing =
    "ffmpeg is not on PATH: install it (apt-get install ffmpeg), or write PNGs with -o DIR/";

std::string findFfmpeg() {
    const char* path = std::getenv("PATH");
    std::string directories = path ? path : "";
    size_t start = 0;
    while (start <= directories.size()) {
        size_t end = directories.find(':', start);
        if (end == std::string::npos) end = directories.size();
        const std::string directory =
            end > start ? directories.substr(start, end - start) : std::string(".");
        const std::string candidate = directory + "/ffmpeg";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

bool openVideoPipe(VideoPipe& pipe, const std::string& output, const std::string& trackFile,
                   PixelSize frameSize, int fps, int32_t fromMs, int32_t durationMs,
                   std::string& error) {
    const std::string ffmpeg = findFfmpeg();
    if (ffmpeg.empty()) {
        error = ffmpegMissing;
        return false;
    }
    const std::string size =
        std::to_string(frameSize.width) + "x" + std::to_string(frameSize.height);
    const std::string rate = std::to_string(fps);
    const std::string from = std::to_string(fromMs / 1000.0);
    const std::string duration = std::to_string(durationMs / 1000.0);
    // clang-format off
    const std::vector<std::string> arguments = {
        ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        // The frames, raw on standard input, already in the encoder's own YUV 4:2:0.
        "-f", "rawvideo", "-pixel_format", "yuv420p", "-video_size", size, "-framerate", rate,
        "-i", "-",
        // The same span of the track.
        "-ss", from, "-t", duration, "-i", trackFile,
        "-map", "0:v:0", "-map", "1:a:0",
        // superfast keeps the encoder beside the renderer at real time on two cores.
        "-c:v", "libx264", "-preset", "superfast", "-crf", "18", "-pix_fmt", "yuv420p",
        // Say which matrix made the YUV: players guess by the height (BT.709 for 720 rows and
        // more), and would shift the colours of a 1080p or 4K capture.
        "-colorspace", "smpte170m", "-color_range", "tv",
        "-c:a", "aac", "-b:a", "192k",
        // No version strings in the file: the same frames give the same bytes.
        "-movflags", "+faststart", "-fflags", "+bitexact",
        output};
    // clang-format on
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int ends[2];
    if (::pipe(ends) != 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, ends[1]);
    const int failed =
        posix_spawn(&pipe.child, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[0]);
    if (failed != 0) {
        close(ends[1]);
        error = "cannot start " + ffmpeg + ": " + std::strerror(failed);
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
    int status = 0;
    if (pipe.child > 0 && waitpid(pipe.child, &status, 0) < 0) status = -1;
    pipe.child = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (error.empty()) error = "ffmpeg could not write the video (its message is above)";
        return false;
    }
    return true;
}
