#pragma once

#include <SDL.h>

// The demo's one window and its OpenGL context. One global instance; every field stays null until
// create() fills it.
struct GLWindow {
    SDL_Window* windowHandle = nullptr;
    SDL_GLContext glContext = nullptr;

    // Opens the window titled "Demo" with a double-buffered RGBA context (8 bits per colour
    // channel, 16-bit depth) current on the calling thread. Full-screen builds switch the display
    // to 1024 x 768 at 32 bits per pixel first. False, with one line on standard error, when the
    // display refuses; the caller then ends the program quietly.
    bool create();
    // Restores the desktop's display mode and takes the window down. Only the close request runs
    // it.
    void destroy();
    // What the buffer swap needs.
    SDL_Window* deviceContext() const { return windowHandle; }
};

extern GLWindow glWindow;

// Handles one event taken from the queue: a close request destroys the window and posts the quit
// that ends the frame loop; everything else is left to SDL.
void windowProc(const SDL_Event& event);
