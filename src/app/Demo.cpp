#include "app/Demo.h"

#include "app/Frame.h"
#include "app/Timeline.h"
#include "audio/Music.h"
#include "platform/GLWindow.h"
#include "platform/Keyboard.h"
#include "platform/PictureArea.h"

#include <SDL.h>

namespace {
uint32_t startTick = 0;
}

bool startDemo() {
    if (!glWindow.create()) return false;
    if (!music.init()) return false;
    setInitialGlState();
    loadScenes();
    watchEscapeKey();
    return true;
}

void startTimeline() {
    music.play();
    startTick = SDL_GetTicks();
}

LoopPass runLoopPass() {
    if (escapePressed()) return LoopPass::End;
    SDL_Event event;
    if (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) return LoopPass::End;
        windowProc(event);
        return LoopPass::Event;
    }
    const int32_t ms = ticksBetween(startTick, SDL_GetTicks());
    // The window may have been resized, or moved to a screen of another scale, since the last one.
    setDrawableSize(glWindow.drawableSize());
    drawFrame(ms);
    SDL_GL_SwapWindow(glWindow.deviceContext());
    return ms >= timelineEndMs ? LoopPass::End : LoopPass::Frame;
}

void stopDemo() {
    music.stop();
}

int runDemo() {
    if (!startDemo()) return 0;
    startTimeline();
    while (runLoopPass() != LoopPass::End) continue;
    stopDemo();
    return 0;
}
