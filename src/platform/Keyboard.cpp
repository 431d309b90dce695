#include "platform/Keyboard.h"

#include <SDL.h>
#include <atomic>

namespace {

// Event watches may run on whichever thread pushes the event.
std::atomic<bool> escapeLatched{false};

int latchEscape(void*, SDL_Event* event) {
    if (event->type == SDL_KEYDOWN && event->key.keysym.scancode == SDL_SCANCODE_ESCAPE)
        escapeLatched = true;
    return 1;
}

} // namespace

void watchEscapeKey() {
    SDL_AddEventWatch(latchEscape, nullptr);
}

bool escapePressed() {
    const bool down = SDL_GetKeyboardState(nullptr)[SDL_SCANCODE_ESCAPE] != 0;
    const bool pressedSince = escapeLatched.exchange(false);
    return down || pressedSince;
}
