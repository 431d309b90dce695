// Compiled once for each program, with that program's DEMO_DISPLAY_KIND (Mode, Desktop or
// Window): the one place where the builds differ.
#include "platform/DisplaySettings.h"

#ifndef DEMO_DISPLAY_KIND
#define DEMO_DISPLAY_KIND Mode
#endif

// constexpr: both are in place before any dynamic initialisation reads them.
constexpr DisplayKind displayKind = DisplayKind::DEMO_DISPLAY_KIND;
constexpr DisplaySettings displaySettings{1024, 768, displayKind != DisplayKind::Window};
