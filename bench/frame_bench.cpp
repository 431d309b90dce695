// The time of one whole frame (draw and buffer swap) at 1024 x 768 under the GL the machine has
// (Mesa's software renderer under Xvfb), at an instant inside each scene's row. Needs a display.
#include "app/Frame.h"
#include "audio/Music.h"
#include "platform/GLWindow.h"

#include "SceneData.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The window, the scenes' data in a directory of its own and every scene loaded, once per run.
// Spheres of a few thousand triangles stand in for the meshes.
bool demoReady() {
    static const bool ready = [] {
        if (!std::getenv("DISPLAY") || !glWindow.create()) return false;
        char pattern[] = "/tmp/demo-frame-bench-XXXXXX";
        if (!mkdtemp(pattern) || chdir(pattern) != 0) return false;
        const std::string data = std::string(pattern) + "/data";
        mkdir(data.c_str(), 0755);
        if (!writeSceneData(data)) return false;
        const struct {
            const char* name;
            float radius;
            int rings;
        } meshes[] = {{"figure.obj", 0.1f, 64},
                      {"inside.obj", 0.5f, 32},
                      {"sphere1.obj", 0.5f, 32},
                      {"sphere2.obj", 0.4f, 32},
                      {"star.obj", 0.4f, 32}};
        for (const auto& mesh : meshes)
            if (!writeObj(data + "/" + mesh.name,
                          sphereObj(mesh.radius, mesh.rings, 2 * mesh.rings)))
                return false;
        setInitialGlState();
        loadScenes();
        std::system(("rm -rf '" + std::string(pattern) + "'").c_str());
        return true;
    }();
    return ready;
}

void frame(benchmark::State& state, int32_t ms, float level) {
    if (!demoReady()) return state.SkipWithError("needs a display (run under Xvfb)");
    pinSpectrumLevel(level);
    drawFrame(0); // the intro's first frame switches blending on, as in the demo
    for (auto _ : state) {
        drawFrame(ms);
        SDL_GL_SwapWindow(glWindow.deviceContext());
    }
}

} // namespace

BENCHMARK_CAPTURE(frame, intro_6500ms, 6500, 0.0f)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, intro_loud_6500ms, 6500, 4.5f)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, figure_20000ms, 20000, 0.0f)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, inside_30000ms, 30000, 0.0f)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, sphere_50000ms, 50000, 0.0f)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, banner_only_65000ms, 65000, 0.0f)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, star_80000ms, 80000, 0.0f)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, credits_134000ms, 134000, 0.0f)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
