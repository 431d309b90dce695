// The flash analysis of one frame (cells, both kinds of flash, a CSV row), by frame size, with its
// cost per million pixels of the frame. Frames of moving noise, so that cells keep changing.
#include "FlashAnalysis.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>
#include <vector>

namespace {

void analyseFrame(benchmark::State& state) {
    const PixelSize size{static_cast<int32_t>(state.range(0)),
                         static_cast<int32_t>(state.range(1))};
    const size_t bytes = static_cast<size_t>(size.width) * size.height * 3;
    std::vector<uint8_t> noise(bytes + 3 * 4096);
    std::mt19937 random(7);
    for (uint8_t& v : noise) v = static_cast<uint8_t>(random());
    FlashAnalysis analysis(size, 60);
    std::string error;
    if (!analysis.open("/dev/null", error)) return state.SkipWithError(error.c_str());
    int32_t frame = 0;
    for (auto _ : state) {
        analysis.addFrame(frame * 1000 / 60, noise.data() + 3 * (frame % 4096));
        ++frame;
    }
    analysis.close(error);
    // Pictures a second, times their megapixels: ms per megapixel is 1000 over it.
    const PixelRect picture = fitPicture(size);
    state.counters["megapixels_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * picture.width * picture.height / 1e6,
        benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(analyseFrame)
    ->Args({1024, 768})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);
