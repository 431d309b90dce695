#pragma once

// What the viewer has told the system about motion on screen: true where the system says to keep
// it down (Windows with its animation effects switched off). The Linux launcher and the page ask
// their desktops themselves.
bool systemAsksForLessMotion();
