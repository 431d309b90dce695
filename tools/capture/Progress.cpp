#include "Progress.h"

#include <chrono>
#include <cstdio>

namespace {

uint64_t nowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Whether this call is one to show: the terminal's line a few times a second and at the end, a
// log's line when the work passes another tenth.
bool dueNow(Progress& progress, int64_t done, uint64_t now) {
    if (progress.style == ProgressStyle::UpdatingLine)
        return done >= progress.total || now - progress.shownAt >= 250;
    const int tenths = progress.total > 0 ? static_cast<int>(done * 10 / progress.total) : 10;
    if (tenths <= progress.tenthsShown) return false;
    progress.tenthsShown = tenths;
    return true;
}

} // namespace

void startProgress(Progress& progress, ProgressStyle style, int64_t total) {
    progress = Progress{style, total, nowMs(), 0, 0};
}

void showProgress(Progress& progress, int64_t done) {
    if (progress.style == ProgressStyle::Off) return;
    const uint64_t now = nowMs();
    if (!dueNow(progress, done, now)) return;
    progress.shownAt = now;
    const double seconds = static_cast<double>(now - progress.startedAt) / 1000.0;
    const double fps = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    const double left = fps > 0.0 ? static_cast<double>(progress.total - done) / fps : 0.0;
    const bool terminal = progress.style == ProgressStyle::UpdatingLine;
    std::fprintf(stderr, "%sdemo-capture: frame %lld of %lld, %.1f frames/s, %d:%02d left%s",
                 terminal ? "\r" : "", static_cast<long long>(done),
                 static_cast<long long>(progress.total), fps, static_cast<int>(left) / 60,
                 static_cast<int>(left) % 60, terminal ? "   " : "\n");
    std::fflush(stderr);
}

void endProgress(Progress& progress) {
    if (progress.style == ProgressStyle::UpdatingLine) std::fputc('\n', stderr);
}
