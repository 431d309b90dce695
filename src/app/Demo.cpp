#include "app/Demo.h"

#include "app/Frame.h"
#include "app/Timeline.h"
#include "audio/Music.h"
#include "platform/GLWindow.h"
#include "platform/Keyboard.h"

#include <SDL.h>

int runDemo() {
    if (!glWindow.create()) return 0;
    if (!music.init()) return 0;
    setInitialGlState();
    loadScenes();
    watchEscapeKey();
    music.play();
    const uint32_t startTick = SDL_GetTicks();

    for (;;) {
        if (escapePressed()) break;
        // One event per pass, with the Escape test before each; a frame only once none is left.
        SDL_Event event;
        if (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) break;
            windowProc(event);
            continue;
        }
        const int32_t ms = ticksBetween(startTick, SDL_GetTicks());
        drawFrame(ms);
        SDL_GL_SwapWindow(glWindow.deviceContext());
        if (ms >= timelineEndMs) break;
    }
    music.stop();
    return 0;
}
