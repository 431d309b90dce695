#include "platform/MessageBox.h"

#include <SDL.h>
#include <cstdio>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {
MessageBoxHandler boxHandler = nullptr;
}

void setMessageBoxHandler(MessageBoxHandler handler) {
    boxHandler = handler;
}

void showMessageBox(const char* text, const char* caption) {
    const char* title = caption ? caption : "Error";
    std::fprintf(stderr, "%s: %s\n", title, text);
    std::fflush(stderr);
    if (boxHandler) {
        boxHandler(text, title);
        return;
    }
#ifdef _WIN32
    // The system's own box, with no owner window.
    MessageBoxA(nullptr, text, title, MB_OK);
#else
    // SDL cannot show a box without a display, nor on X11 without the server's core fonts. The
    // line above has said it all then: the box counts as dismissed and the caller goes on.
    SDL_ShowSimpleMessageBox(0, title, text, nullptr);
#endif
}
