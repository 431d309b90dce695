#pragma once

#include "platform/PictureArea.h"

#include <SDL.h>

// The demo's one window and its OpenGL context. One global instance; every field stays null until
// create() fills it.
struct GLWindow {
    SDL_Window* windowHandle = nullptr;
    SDL_GLContext glContext = nullptr;

    // Opens the window titled "Demo" with a double-buffered RGBA context (8 bits per colour
    // channel, 16-bit depth) current on the calling thread, whose swaps wait for the display's
    // refresh. The display kind decides the rest: Mode switches the display to 1024 x 768 at 32
    // bits per pixel first, Desktop covers the screen at its own mode, Window opens a resizable
    // window of 1024 x 768. False, with one line on standard error, when the display refuses;
    // the caller then ends the program quietly.
    bool create();
    // create() in its two halves, for a page that runs them in tasks of their own (each is about
    // a tenth of a second on a phone): the window shown, then its context made current.
    bool openWindow();
    bool createContext();
    // Restores the desktop's display mode and takes the window down. Only the close request runs
    // it.
    void destroy();
    // What the buffer swap needs.
    SDL_Window* deviceContext() const { return windowHandle; }
    // The real pixels to draw into now, which on a scaled desktop are more than the window's
    // size in points; on the web, the canvas's drawing buffer, fitted to the page first.
    PixelSize drawableSize() const;
    // The frame intervals from the start of a frame's drawing to the middle of its time on the
    // screen, the instant it shows best: a frame drawn for the moment it arrives would show every
    // cut and beat up to a frame late. Natively one and a half: one to its swap (or the next
    // refresh where swaps wait for it), then half of the one it stays there. In the browser two,
    // as measured in Firefox: the page's frame is composited into the browser's own on its way.
    double framesUntilSeen() const;
};

extern GLWindow glWindow;

// Handles one event taken from the queue: a close request destroys the window and posts the quit
// that ends the frame loop; everything else is left to SDL.
void windowProc(const SDL_Event& event);
