#include "scenes/CreditsScene.h"

#include "assets/AssetQueue.h"
#include "assets/Texture.h"
#include "scenes/SceneToolkit.h"

#include <GL/gl.h>

namespace CreditsScene {

namespace {
Texture creditsTexture;
}

void load() {
    queueJpeg(creditsTexture, "data/credits.jpg");
}

// Draws with the texturing, colour and blending the earlier scenes left behind.
void draw() {
    glBindTexture(GL_TEXTURE_2D, creditsTexture.name);
    beginOverlay();
    drawFullWindowQuad();
    endOverlay();
}

} // namespace CreditsScene
