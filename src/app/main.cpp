#include "app/CommandLine.h"
#include "app/Demo.h"
#include "platform/ViewerPreferences.h"
#include "scenes/GentleFlashes.h"

#include <SDL.h>
#include <cstdio>

int main(int argc, char** argv) {
    DemoOptions options;
    std::string error;
    if (!readDemoOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "demo: %s\n", error.c_str());
        return 2;
    }
    setGentleFlashes(options.gentle || systemAsksForLessMotion());
    const int exitCode = runDemo(options.startMs);
    // X11 keeps a switched display mode after the process ends; SDL_Quit puts the desktop's back.
    SDL_Quit();
    return exitCode;
}
