#pragma once

#include <cstdint>

// How the window meets the screen. Fixed when the program is built (-DDEMO_DISPLAY=...): each
// program of a build compiles its own choice, and everything else is shared.
enum class DisplayKind {
    Mode,    // switches the display to the settings' size and covers it, borderless
    Desktop, // covers the screen borderless at the desktop's own mode: no switch
    Window,  // an ordinary window that may be resized
};

// The demo's picture is drawn in a space of width x height pixels whatever the window's real
// size; the frame maps that space onto the drawable (platform/PictureArea.h).
struct DisplaySettings {
    int32_t width;
    int32_t height;
    bool fullscreen;
};

// Both are constant-initialised, so they hold their values before any other global is built.
extern const DisplayKind displayKind;
extern const DisplaySettings displaySettings;
