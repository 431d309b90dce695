#include "audio/ShowClock.h"

#include <algorithm>
#include <cmath>

int32_t elapsedMs = 0;

namespace {

struct ShowClock {
    bool started = false;
    SDL_AudioDeviceID device = 0; // 0: the clock goes by the ticks
    SDL_AudioDeviceID output = 0; // what plays the track, whether its position is read or not
    bool paused = false;
    int32_t fromMs = 0;    // where the sound last started: the start, a seek or a resume
    uint32_t fromTick = 0; // the tick of that moment
    bool fromNext = false; // the next reading is fromMs itself
    HeardClock heard;
    int32_t lastMs = 0;
};

ShowClock showClock;

} // namespace

HeardClock startHeardClock(double now, double fromMs) {
    HeardClock clock;
    clock.shownMs = fromMs;
    clock.seenAt = now;
    clock.stillSince = now;
    return clock;
}

double readHeardClock(HeardClock& clock, const HandOver* handOver, double now, double seenAt) {
    const double ticked = std::max(0.0, seenAt - clock.seenAt) * 1000;
    clock.seenAt = std::max(clock.seenAt, seenAt);
    double target = 0;
    bool moved = false;
    if (handOver) {
        // The device plays what it was handed and then nothing: the sound stops at the end of the
        // last buffer until the next comes.
        const double end = static_cast<double>(handOver->firstFrame + handOver->frames);
        const double heardNow =
            std::min(end, handOver->firstFrame + (now - handOver->heardAt) * outputRate);
        moved = heardNow > clock.heardFrame;
        clock.heardFrame = std::max(clock.heardFrame, heardNow);
        // Sound that flows now goes on flowing until the frame is seen.
        const double heardThen = heardNow < end ? heardNow + (seenAt - now) * outputRate : heardNow;
        // Before the first frame is heard the timeline stays at its 0.
        target = std::max(0.0, heardThen * 1000 / outputRate);
    }
    if (moved)
        clock.stillSince = -1;
    else if (clock.stillSince < 0)
        clock.stillSince = now;
    if (clock.stillSince >= 0 && now - clock.stillSince > stallSeconds) {
        clock.shownMs += ticked;
        clock.afterStall = true;
    } else if (target >= clock.shownMs) {
        clock.shownMs = target;
        clock.afterStall = false;
    } else if (clock.afterStall) {
        clock.shownMs += ticked / 2;
    }
    return clock.shownMs;
}

namespace {

// The sound goes on from fromMs now, and the clock with it.
void runFrom(int32_t fromMs) {
    showClock.fromMs = fromMs;
    showClock.fromTick = SDL_GetTicks();
    showClock.heard = startHeardClock(audioClockSeconds(), fromMs);
    showClock.lastMs = fromMs;
}

} // namespace

void startShowClock(SDL_AudioDeviceID playingDevice, int32_t fromMs) {
    showClock = ShowClock{};
    showClock.started = true;
    // A device that plays but whose position cannot be read counts as none.
    showClock.device = positionReadable(playingDevice) ? playingDevice : 0;
    showClock.output = playingDevice;
    runFrom(fromMs);
}

bool showClockStarted() {
    return showClock.started;
}

int32_t showClockMs(double leadSeconds) {
    if (showClock.paused) return showClock.lastMs;
    if (showClock.fromNext) {
        showClock.fromNext = false;
        return showClock.lastMs;
    }
    double ms = 0;
    if (showClock.device != 0) {
        HandOver handOver;
        const bool handedOver = lastHandOver(showClock.device, handOver);
        const double now = audioClockSeconds();
        ms = readHeardClock(showClock.heard, handedOver ? &handOver : nullptr, now,
                            now + leadSeconds);
    } else {
        ms = showClock.fromMs + ticksBetween(showClock.fromTick, SDL_GetTicks()) +
             leadSeconds * 1000;
    }
    // The lead of one frame may be shorter than the last one's.
    showClock.lastMs = std::max(showClock.lastMs, static_cast<int32_t>(std::floor(ms)));
    return showClock.lastMs;
}

bool showPaused() {
    return showClock.paused;
}

void pauseShow() {
    if (!showClock.started || showClock.paused) return;
    showClock.paused = true;
    holdAudioOutput(showClock.output);
}

void resumeShow() {
    if (!showClock.started || !showClock.paused) return;
    showClock.paused = false;
    seekShow(showClock.lastMs);
}

void seekShow(int32_t ms) {
    if (!showClock.started) return;
    ms = std::max(ms, 0);
    showClock.lastMs = ms;
    if (showClock.paused) return;
    playAudioFrom(showClock.output, frameAtMs(ms));
    runFrom(ms);
    showClock.fromNext = true;
}
