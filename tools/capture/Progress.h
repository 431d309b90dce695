#pragma once

#include <cstdint>

// One line on standard error, rewritten in place: frames done and total, frames per second and
// the time left.
struct Progress {
    bool enabled = false;
    int64_t total = 0;
    uint64_t startedAt = 0;
    uint64_t shownAt = 0;
};

void startProgress(Progress& progress, bool enabled, int64_t total);
void showProgress(Progress& progress, int64_t done);
void endProgress(Progress& progress);
