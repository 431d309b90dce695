// Writes the demo's default data into a directory (default "data"), leaving files that are
// already there alone.
#include "MusicGenerator.h"
#include "OggWriter.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool writeTrack(const std::string& path) {
    const std::vector<float> stereo = MusicGenerator::renderTrack();
    return writeOggVorbis(path.c_str(), stereo.data(), static_cast<int64_t>(stereo.size() / 2),
                          MusicGenerator::sampleRate);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: make-data [DIRECTORY]\n");
        return 2;
    }
    const std::string directory = argc == 2 ? argv[1] : "data";
    mkdir(directory.c_str(), 0755);
    const std::string track = directory + "/music.ogg";
    if (exists(track)) return 0;
    if (!writeTrack(track)) {
        std::fprintf(stderr, "make-data: cannot write %s\n", track.c_str());
        return 1;
    }
    std::printf("make-data: wrote %s\n", track.c_str());
    return 0;
}
