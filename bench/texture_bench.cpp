// Texture::loadJpeg in its two halves, decode and upload, beside TurboJPEG's own decode of the
// same file as the floor. The upload cases need a display (run under Xvfb).
#include "assets/Texture.h"
#include "platform/GLWindow.h"
#include "platform/MessageBox.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <turbojpeg.h>
#include <unistd.h>
#include <vector>

namespace {

// Photograph-like content (smooth gradients under fine noise) at the quality and chroma
// subsampling of a camera, so the entropy decoder gets real work; flat colours would flatter it.
std::vector<unsigned char> encodeBenchPicture(int width, int height) {
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    uint32_t noise = 2463534242u;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
            unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            const int grain = static_cast<int>(noise % 41) - 20;
            p[0] = static_cast<unsigned char>(
                std::lround(110 + 90 * std::sin(x * 0.011 + y * 0.004)) + grain);
            p[1] = static_cast<unsigned char>(std::lround(120 + 80 * std::cos(y * 0.017)) + grain);
            p[2] = static_cast<unsigned char>(std::lround(100 + 60 * std::sin((x + y) * 0.023)) +
                                              grain / 2);
        }
    }
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(compressor, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90,
                0);
    std::vector<unsigned char> file(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(compressor);
    return file;
}

// The pictures live in one temporary directory for the run.
struct BenchPictures {
    std::string directory;
    std::vector<std::string> paths;
    BenchPictures() {
        char pattern[] = "/tmp/demo-bench-XXXXXX";
        if (mkdtemp(pattern)) directory = pattern;
        setMessageBoxHandler([](const char*, const char*) {});
    }
    ~BenchPictures() {
        for (const std::string& path : paths) std::remove(path.c_str());
        rmdir(directory.c_str());
    }
    std::string path(int width, int height) {
        const std::string path =
            directory + "/" + std::to_string(width) + "x" + std::to_string(height) + ".jpg";
        if (access(path.c_str(), R_OK) != 0) {
            const std::vector<unsigned char> jpeg = encodeBenchPicture(width, height);
            if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
                std::fwrite(jpeg.data(), 1, jpeg.size(), file);
                std::fclose(file);
            }
            paths.push_back(path);
        }
        return path;
    }
} pictures;

void readFile(const std::string& path, std::vector<unsigned char>& into) {
    into.clear();
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        unsigned char chunk[1 << 16];
        size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            into.insert(into.end(), chunk, chunk + got);
        std::fclose(file);
    }
}

bool haveContext(benchmark::State& state) {
    static const bool created = std::getenv("DISPLAY") && glWindow.create();
    if (!created) state.SkipWithError("needs a display: run under Xvfb");
    return created;
}

void pictureSizes(benchmark::internal::Benchmark* bench) {
    bench->Args({1024, 1024})->Args({2048, 256})->Unit(benchmark::kMillisecond);
}

void decodeJpegFileBench(benchmark::State& state) {
    const std::string path = pictures.path(state.range(0), state.range(1));
    for (auto _ : state) {
        RgbPicture picture;
        if (!decodeJpegFile(path.c_str(), picture)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(picture.pixels);
        freeRgbPicture(picture);
    }
}
BENCHMARK(decodeJpegFileBench)->Apply(pictureSizes);

// The floor: the same file read into memory and decoded to RGB by TurboJPEG, its handle and
// output buffer made once.
void turboJpegDecodeBench(benchmark::State& state) {
    const std::string path = pictures.path(state.range(0), state.range(1));
    const int width = state.range(0), height = state.range(1);
    std::vector<unsigned char> file, rgb(static_cast<size_t>(width) * height * 3);
    tjhandle decompressor = tjInitDecompress();
    for (auto _ : state) {
        readFile(path, file);
        if (tjDecompress2(decompressor, file.data(), file.size(), rgb.data(), width, 0, height,
                          TJPF_RGB, 0) != 0)
            state.SkipWithError(tjGetErrorStr2(decompressor));
        benchmark::DoNotOptimize(rgb.data());
    }
    tjDestroy(decompressor);
}
BENCHMARK(turboJpegDecodeBench)->Apply(pictureSizes);

void uploadMipmappedTextureBench(benchmark::State& state) {
    if (!haveContext(state)) return;
    RgbPicture picture;
    if (!decodeJpegFile(pictures.path(state.range(0), state.range(1)).c_str(), picture)) {
        state.SkipWithError("decode failed");
        return;
    }
    for (auto _ : state) {
        GLuint name = uploadMipmappedTexture(picture);
        glFinish();
        state.PauseTiming();
        glDeleteTextures(1, &name);
        state.ResumeTiming();
    }
    freeRgbPicture(picture);
}
BENCHMARK(uploadMipmappedTextureBench)->Apply(pictureSizes);

void loadJpegBench(benchmark::State& state) {
    if (!haveContext(state)) return;
    const std::string path = pictures.path(state.range(0), state.range(1));
    for (auto _ : state) {
        Texture texture;
        texture.loadJpeg(path.c_str());
        glFinish();
        state.PauseTiming();
        if (texture.name == 0) state.SkipWithError("load failed");
        glDeleteTextures(1, &texture.name);
        state.ResumeTiming();
    }
}
BENCHMARK(loadJpegBench)->Apply(pictureSizes);

} // namespace
