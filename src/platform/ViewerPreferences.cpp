#include "platform/ViewerPreferences.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

bool systemAsksForLessMotion() {
#ifdef _WIN32
    // "Show animations in Windows" (Settings, Accessibility, Visual effects). Where it cannot be
    // read, nothing has been asked.
    BOOL animations = TRUE;
    return SystemParametersInfoA(SPI_GETCLIENTAREAANIMATION, 0, &animations, 0) && !animations;
#else
    return false;
#endif
}
