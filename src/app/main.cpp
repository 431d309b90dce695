#include "app/Demo.h"

#include <SDL.h>

int main(int, char**) {
    const int exitCode = runDemo();
    // X11 keeps a switched display mode after the process ends; SDL_Quit puts the desktop's back.
    SDL_Quit();
    return exitCode;
}
