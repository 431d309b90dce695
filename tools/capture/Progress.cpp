#include "Progress.h"

#include <chrono>
#include <cstdio>

namespace {

uint64_t nowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

void startProgress(Progress& progress, bool enabled, int64_t total) {
    progress = Progress{enabled, total, nowMs(), 0};
}

void showProgress(Progress& progress, int64_t done) {
    if (!progress.enabled) return;
    const uint64_t now = nowMs();
    // A few updates a second are plenty, and the last frame always shows.
    if (done < progress.total && now - progress.shownAt < 250) return;
    progress.shownAt = now;
    const double seconds = static_cast<double>(now - progress.startedAt) / 1000.0;
    const double fps = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    const double left = fps > 0.0 ? static_cast<double>(progress.total - done) / fps : 0.0;
    std::fprintf(stderr, "\rdemo-capture: frame %lld of %lld, %.1f frames/s, %d:%02d left   ",
                 static_cast<long long>(done), static_cast<long long>(progress.total), fps,
                 static_cast<int>(left) / 60, static_cast<int>(left) % 60);
    std::fflush(stderr);
}

void endProgress(Progress& progress) {
    if (progress.enabled) std::fputc('\n', stderr);
}
