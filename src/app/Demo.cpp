#include "app/Demo.h"

#include "app/Controls.h"
#include "app/Frame.h"
#include "app/Loading.h"
#include "app/Timeline.h"
#include "audio/Music.h"
#include "audio/ShowClock.h"
#include "platform/GLWindow.h"
#include "platform/Keyboard.h"
#include "platform/PictureArea.h"

#include <SDL.h>
#include <algorithm>

namespace {

// A frame begun now is seen best a frame and a half or two later (GLWindow::framesUntilSeen). A
// frame is the time from swap to swap, smoothed over a few frames so one slow frame does not throw
// the next one's instant far ahead.
double lastSwapAt = 0;
double frameSeconds = 0;
constexpr double longestLead = 0.1;

void noteSwap() {
    const double now = audioClockSeconds();
    if (lastSwapAt > 0) {
        const double interval = std::min(now - lastSwapAt, longestLead);
        frameSeconds = frameSeconds > 0 ? frameSeconds + (interval - frameSeconds) / 4 : interval;
    }
    lastSwapAt = now;
}

} // namespace

bool startDemo() {
    return glWindow.create() && prepareDemo();
}

bool prepareDemo() {
    if (!music.init()) return false;
    setInitialGlState();
    queueSceneAssets();
    watchEscapeKey();
    return true;
}

void startTimeline(int32_t fromMs) {
    fromMs = std::clamp(fromMs, 0, lastSeekMs);
    startShowClock(music.play(frameAtMs(fromMs)) ? music.device : 0, fromMs);
    if (fromMs > 0) primeNextFrame();
}

LoopPass runLoopPass() {
    if (escapePressed()) return LoopPass::End;
    SDL_Event event;
    if (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) return LoopPass::End;
        noteWindowEvent(event);
        if (!handleViewerKey(event)) windowProc(event);
        return LoopPass::Event;
    }
    if (!frameWanted()) {
        loadBetweenFrames(elapsedMs);
        return LoopPass::Idle;
    }
    const bool moved = takePrimeWanted();
    // The frame after a pause or a move is not timed by the one before it.
    if (moved || showPaused()) lastSwapAt = frameSeconds = 0;
    const int32_t ms = showClockMs(glWindow.framesUntilSeen() * frameSeconds);
    // Once the track plays, its damage only ends it early: nothing here fails.
    loadNeededBy(ms);
    // The window may have been resized, or moved to a screen of another scale, since the last one.
    setDrawableSize(glWindow.drawableSize());
    if (moved) {
        primeFrameState(ms);
        followPlayback();
    }
    drawFrame(ms);
    drawTimeBar(ms);
    SDL_GL_SwapWindow(glWindow.deviceContext());
    noteSwap();
    loadBetweenFrames(ms);
    return ms >= timelineEndMs ? LoopPass::End : LoopPass::Frame;
}

void stopDemo() {
    music.stop();
}

int runDemo(int32_t fromMs) {
    if (!startDemo() || loadEverything() == Loading::Failed) return 0;
    startTimeline(fromMs);
    // Paused with nothing to draw, the loop waits for the next event rather than spin; the time
    // bar's end comes within the timeout.
    for (LoopPass pass = runLoopPass(); pass != LoopPass::End; pass = runLoopPass())
        if (pass == LoopPass::Idle) SDL_WaitEventTimeout(nullptr, 50);
    stopDemo();
    return 0;
}
