#pragma once

#include "platform/PictureArea.h"

// Gives the page's canvas a drawing buffer of its displayed size times the device pixel ratio,
// so that the picture is as sharp as the screen, and returns the size of the buffer the browser
// actually granted (it may cap it below what was asked). Cheap when nothing has changed, so it is
// called before every frame: it follows window resizes and full screen without any listener.
PixelSize fitCanvasToPage();
