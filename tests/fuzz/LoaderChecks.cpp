#include "LoaderChecks.h"

#include "assets/JpegDecoder.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "audio/Music.h"
#include "audio/Track.h"
#include "platform/MessageBox.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void dropMessageBox(const char*, const char*) {
}

// One scratch file per kind and process, removed at exit. Loaders take file names, and the demo
// reads files, so the input goes through a real one.
const std::string& scratchFile(const char* suffix) {
    static std::string paths[3];
    static const char* suffixes[3] = {".obj", ".jpg", ".ogg"};
    static bool cleanupRegistered = false;
    if (!cleanupRegistered) {
        cleanupRegistered = true;
        setMessageBoxHandler(dropMessageBox);
        std::atexit([] {
            for (const std::string& path : paths)
                if (!path.empty()) std::remove(path.c_str());
        });
    }
    for (int i = 0; i < 3; ++i) {
        if (std::string(suffixes[i]) != suffix) continue;
        if (paths[i].empty()) {
            const char* tmp = std::getenv("TMPDIR");
            paths[i] = std::string(tmp && *tmp ? tmp : "/tmp") + "/demo-loader-check-" +
                       std::to_string(getpid()) + suffix;
        }
        return paths[i];
    }
    std::abort();
}

bool writeInput(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

long fileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

bool fail(std::string& failure, const std::string& reason) {
    failure = reason;
    return false;
}

} // namespace

bool checkObjReader(const uint8_t* data, size_t size, std::string& failure) {
    const std::string& path = scratchFile(".obj");
    if (!writeInput(path, data, size)) return fail(failure, "cannot write " + path);
    Mesh mesh;
    if (!mesh.loadObj(path.c_str())) return true; // arrays that cannot be had: an empty mesh
    if (fileSize(path) != static_cast<long>(size) + 1)
        return fail(failure, "the file did not grow by exactly one line end");
    if (mesh.cornerCount != 3 * mesh.faceCount || mesh.nextCorner != mesh.cornerCount ||
        mesh.nextPosition != mesh.positionCount || mesh.nextTexCoord != mesh.texCoordCount)
        return fail(failure, "counts and cursors disagree");
    if (mesh.drawnCornerCount < 0 || mesh.drawnCornerCount > mesh.cornerCount ||
        mesh.drawnCornerCount % 3 != 0)
        return fail(failure, "drawnCornerCount " + std::to_string(mesh.drawnCornerCount) + " of " +
                                 std::to_string(mesh.cornerCount) + " corners");
    for (int32_t k = 0; k < mesh.drawnCornerCount; ++k) {
        const int32_t p = mesh.positionIndex[k], t = mesh.texCoordIndex[k];
        if (p < 0 || p >= mesh.positionCount || t < 0 || t >= mesh.texCoordCount)
            return fail(failure,
                        "corner " + std::to_string(k) + " names position " + std::to_string(p) +
                            " of " + std::to_string(mesh.positionCount) + ", texture coordinate " +
                            std::to_string(t) + " of " + std::to_string(mesh.texCoordCount));
    }
    return true;
}

bool checkJpegDecoder(const uint8_t* data, size_t size, std::string& failure) {
    const std::string& path = scratchFile(".jpg");
    if (!writeInput(path, data, size)) return fail(failure, "cannot write " + path);
    RgbPicture picture;
    if (!decodeJpegFile(path.c_str(), picture)) return true;
    const uint64_t pixels = uint64_t(picture.width) * uint64_t(picture.height);
    if (picture.width <= 0 || picture.height <= 0 || pixels > maxJpegPixels || !picture.pixels) {
        freeRgbPicture(picture);
        return fail(failure, "decoded a picture of " + std::to_string(picture.width) + " x " +
                                 std::to_string(picture.height));
    }
    // Touch every byte the upload would read, so a buffer shorter than the picture shows.
    unsigned sum = 0;
    for (uint64_t i = 0; i < pixels * 3; ++i) sum += picture.pixels[i];
    asm volatile("" : : "r"(sum)); // keeps the reads
    freeRgbPicture(picture);
    return true;
}

bool checkOggTrack(const uint8_t* data, size_t size, std::string& failure) {
    const std::string& path = scratchFile(".ogg");
    if (!writeInput(path, data, size)) return fail(failure, "cannot write " + path);
    music.stream = Track{};
    if (!decodeOggVorbis(path.c_str(), music.stream)) return true;
    if (music.stream.frameCount() > maxTrackFrames)
        return fail(failure, "decoded " + std::to_string(music.stream.frameCount()) +
                                 " frames, more than the decoder allows");
    if (!music.analyser.fft && !createSpectrumAnalyser(music.analyser))
        return fail(failure, "no FFT");
    const int64_t lastMs = music.stream.frameCount() * 1000 / outputRate;
    for (const int64_t ms :
         {int64_t{0}, lastMs / 2, lastMs - 1, lastMs, lastMs + 30, int64_t{136000}}) {
        pinSpectrumClock(static_cast<int32_t>(ms < 0 ? 0 : ms));
        const float level = music.spectrumLevel();
        if (level < 0.0f) return fail(failure, "a negative level at " + std::to_string(ms) + " ms");
    }
    return true;
}
