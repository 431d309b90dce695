#pragma once

#include <cstdint>

// Progress on standard error: on a terminal one line rewritten in place a few times a second;
// into a pipe or a file (a log) a plain line at every tenth of the work, never a carriage return.
// Each says frames done and total, frames per second and the time left.
enum class ProgressStyle { Off, UpdatingLine, LogLines };

struct Progress {
    ProgressStyle style = ProgressStyle::Off;
    int64_t total = 0;
    uint64_t startedAt = 0;
    uint64_t shownAt = 0;
    int tenthsShown = 0;
};

void startProgress(Progress& progress, ProgressStyle style, int64_t total);
void showProgress(Progress& progress, int64_t done);
void endProgress(Progress& progress);
