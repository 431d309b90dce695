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
    // Without a display SDL cannot show the box; the line above then stands and the demo goes on.
    SDL_ShowSimpleMessageBox(0, title, text, nullptr);
#endif
}
