#pragma once

// Switches both matrices to window pixels: origin at the bottom-left, y up, flat geometry at
// window depth 0.5. Depth testing stays as the frame left it.
void beginOverlay();
// Puts both matrices back as they were before beginOverlay() and leaves the modelview current.
void endOverlay();
// A quad over the whole window with the picture's top row at the top, unmirrored. It binds no
// texture and sets no colour: it draws with whatever is current. Meant for inside an overlay.
void drawFullWindowQuad();
