#include "platform/GLWindow.h"

#include "platform/DisplaySettings.h"
#include "platform/PictureArea.h"

#include <cstdio>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif
#ifdef __EMSCRIPTEN__
#include "platform/web/Canvas.h"
#endif

GLWindow glWindow;

namespace {

bool isDemoMode(const SDL_DisplayMode& mode) {
    return mode.w == displaySettings.width && mode.h == displaySettings.height &&
           SDL_BYTESPERPIXEL(mode.format) == 4;
}

void reportModeRefused(const SDL_DisplayMode& got) {
    std::fprintf(stderr,
                 "Demo: the display cannot switch to %d x %d at 32 bits per pixel "
                 "(nearest mode it offers: %d x %d at %d bits per pixel)\n",
                 displaySettings.width, displaySettings.height, got.w, got.h,
                 SDL_BYTESPERPIXEL(got.format) * 8);
}

// SDL falls back to the nearest mode it has without saying so, so ask for the match up front.
bool findDemoMode(SDL_DisplayMode& mode) {
    SDL_DisplayMode wanted{SDL_PIXELFORMAT_RGB888, displaySettings.width, displaySettings.height, 0,
                           nullptr};
    if (!SDL_GetClosestDisplayMode(0, &wanted, &mode)) {
        SDL_DisplayMode desktop{};
        SDL_GetDesktopDisplayMode(0, &desktop);
        reportModeRefused(desktop);
        return false;
    }
    if (!isDemoMode(mode)) {
        reportModeRefused(mode);
        return false;
    }
    return true;
}

void requestContextAttributes() {
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
#ifdef __EMSCRIPTEN__
    // WebGL is OpenGL ES 2.0; emscripten's GL emulation draws the fixed-function calls with it.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
#else
    // The scenes draw with the fixed-function pipeline and immediate mode.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
#endif
}

Uint32 windowFlags() {
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    switch (displayKind) {
    case DisplayKind::Mode:
        return flags | SDL_WINDOW_FULLSCREEN | SDL_WINDOW_BORDERLESS;
    case DisplayKind::Desktop:
        // The screen as the desktop has it, at the drawable's real pixels on a scaled desktop.
        return flags | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS |
               SDL_WINDOW_ALLOW_HIGHDPI;
    case DisplayKind::Window:
        break;
    }
#ifdef __EMSCRIPTEN__
    // The page sizes the canvas (platform/web/Canvas.h); SDL must not size it as well.
    return flags;
#else
    return flags | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
#endif
}

// A driver left to its default may not wait for the display at all: the demo then tears and
// spins a core on frames nobody sees. Adaptive sync, where offered, lets a late frame go out at
// once rather than a whole refresh later. The browser paces its own frames.
void waitForDisplayRefresh() {
#ifndef __EMSCRIPTEN__
    if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
#endif
}

} // namespace

bool GLWindow::create() {
    return openWindow() && createContext();
}

bool GLWindow::openWindow() {
    // The demo's window class is "OpenGL". SDL registers the class itself: on Windows it takes
    // the name (and the class styles) given before the video subsystem starts, on X11 the name
    // from this variable.
#ifdef _WIN32
    SDL_RegisterApp("OpenGL", CS_VREDRAW | CS_HREDRAW | CS_OWNDC, nullptr);
#endif
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", "OpenGL", 1);
    // Only windowProc posts the quit, after it has restored the display and taken the window down.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    // A message box takes the focus from the full-screen window while it is up; SDL would
    // minimize the window for that, and the demo would go on out of sight once the box is gone.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "Demo: cannot open the display: %s\n", SDL_GetError());
        return false;
    }
    requestContextAttributes();

    SDL_DisplayMode mode{};
    if (displayKind == DisplayKind::Mode && !findDemoMode(mode)) return false;
    SDL_Rect place{0, 0, displaySettings.width, displaySettings.height};
    // Full screen on the desktop is the window manager's doing; where there is none (a bare X
    // server) the window covers the screen only if it is made that large in the first place.
    if (displayKind == DisplayKind::Desktop) SDL_GetDisplayBounds(0, &place);
    windowHandle = SDL_CreateWindow("Demo", place.x, place.y, place.w, place.h, windowFlags());
    if (!windowHandle) {
        std::fprintf(stderr, "Demo: cannot create the window: %s\n", SDL_GetError());
        return false;
    }
    if (displayKind == DisplayKind::Mode) {
        // The switch happens when the window is shown; check the mode that we actually got.
        SDL_SetWindowDisplayMode(windowHandle, &mode);
        SDL_ShowWindow(windowHandle);
        SDL_DisplayMode got{};
        SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(windowHandle), &got);
        if (!isDemoMode(got)) {
            reportModeRefused(got);
            destroy();
            windowHandle = nullptr;
            return false;
        }
    } else {
        SDL_ShowWindow(windowHandle);
    }
    return true;
}

bool GLWindow::createContext() {
    glContext = SDL_GL_CreateContext(windowHandle);
    if (!glContext || SDL_GL_MakeCurrent(windowHandle, glContext) != 0) {
        std::fprintf(stderr, "Demo: cannot create the OpenGL context: %s\n", SDL_GetError());
        destroy();
        windowHandle = nullptr;
        return false;
    }
    waitForDisplayRefresh();
    SDL_ShowCursor(displaySettings.fullscreen ? SDL_DISABLE : SDL_ENABLE);
    SDL_DisableScreenSaver();
    SDL_RaiseWindow(windowHandle);
    return true;
}

PixelSize GLWindow::drawableSize() const {
#ifdef __EMSCRIPTEN__
    return fitCanvasToPage();
#else
    PixelSize size{0, 0};
    SDL_GL_GetDrawableSize(windowHandle, &size.width, &size.height);
    return size;
#endif
}

double GLWindow::framesUntilSeen() const {
#ifdef __EMSCRIPTEN__
    return 2;
#else
    return 1.5;
#endif
}

void GLWindow::destroy() {
    SDL_SetWindowFullscreen(windowHandle, 0);
    SDL_DestroyWindow(windowHandle);
}

void windowProc(const SDL_Event& event) {
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
        glWindow.destroy();
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
}
