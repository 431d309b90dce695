// What the banner spends on the music in a frame, with full flashes and with gentle ones, over the
// first loud block of the default track (14 to 59 s) at 60 frames a second: the full demo reads
// the spectrum once a frame and again on a loud one; gentle reads the 5 ms steps of track the
// frame moves on (three or four), looks back over a second of them for a loud one and over 200 ms
// for a beat, twice a frame (for the banner, then for the glow). The GL drawing is the same quad
// either way, and on a beat's frames the glow's one more.
#include "DataSet.h"
#include "audio/Music.h"
#include "scenes/GentleFlashes.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

bool trackReady() {
    static const bool ready = [] {
        const std::string music = "music.ogg";
        for (const DataFile& file : defaultDataSet()) {
            if (file.name != music) continue;
            char pattern[] = "/tmp/demo-gentle-bench-XXXXXX";
            if (!mkdtemp(pattern) || chdir(pattern) != 0) return false;
            std::system("mkdir -p data");
            if (!file.write("data/music.ogg") || !openMusicTrack()) return false;
            prepareGentleFlashes();
            return true;
        }
        return false;
    }();
    return ready;
}

void bannerReadings(benchmark::State& state, bool gentle) {
    if (!trackReady()) return state.SkipWithError("cannot write or open the default track");
    int64_t frame = 14 * 60;
    float sink = 0;
    for (auto _ : state) {
        pinSpectrumClock(static_cast<int32_t>(frame * 1000 / 60));
        if (gentle) {
            // The banner asks, and the glow after every scene asks again.
            const GentleBeat beat = gentleBeat();
            sink += gentleBeat().glow + beat.scale + (beat.loud ? 1.0f : 0.0f);
        } else if (const float level = music.spectrumLevel(); level > 1.5f) {
            sink += music.spectrumLevel();
        }
        // Round the block again, gentle with its steps to read afresh, as in a live run.
        if (++frame == 59 * 60) {
            frame = 14 * 60;
            prepareGentleFlashes();
        }
    }
    benchmark::DoNotOptimize(sink);
}

} // namespace

BENCHMARK_CAPTURE(bannerReadings, full, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(bannerReadings, gentle, true)->Unit(benchmark::kMicrosecond);
