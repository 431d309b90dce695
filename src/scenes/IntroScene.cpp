#include "scenes/IntroScene.h"

#include "assets/AssetQueue.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "audio/Music.h"
#include "platform/DisplaySettings.h"
#include "scenes/SceneToolkit.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstdint>

namespace IntroScene {

namespace {

Texture logoTexture;
Texture sphereTexture; // its own object: the sphere shot loads the same picture again
Mesh sphereMesh;

// Where the square's top-left corner sits before the music moves it, in window pixels from the
// bottom-left: (683, 584) in a 1024 x 768 window.
const int32_t overlayX = displaySettings.width - displaySettings.width / 3;
const int32_t overlayY = displaySettings.height / 2 + 200;

// Each sphere sits eight of the previous one's units further out and is four times its size: the
// transforms accumulate.
void drawSphereChain(float p) {
    const int sphereRepeat = 5;
    glPushMatrix();
    for (int i = 0; i < sphereRepeat; ++i) {
        glTranslatef(0, 0, 8);
        glScalef(4, 4, 4);
        glRotatef(20, 1, 0, 1);
        glRotatef(p, 0.1f, 0, 0); // the raw progress, as degrees
        sphereMesh.draw();
    }
    glPopMatrix();
}

// Two fresh readings: the lower edge drops 50 pixels per unit of the first, the upper edge per
// unit of the second.
void drawSquare() {
    const double a = music.spectrumLevel();
    const double b = music.spectrumLevel();
    glRectf(static_cast<float>(overlayX), static_cast<float>(overlayY - 50 * b),
            static_cast<float>(overlayX + 200), static_cast<float>((overlayY - 200) - 50 * a));
}

} // namespace

void load() {
    queueJpeg(logoTexture, "data/logo1.jpg");
    queueJpeg(sphereTexture, "data/texture6.jpg");
    queueObj(sphereMesh, "data/sphere1.obj");
}

void draw(float p) {
    const float fadeLevel = static_cast<float>(1.0 - p);
    gluLookAt(0, 0, -7, 0, 0, 0, 0, 1, 0);
    // Switched on here for the rest of the run; every later scene draws through it.
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);

    glColor4f(fadeLevel, fadeLevel, fadeLevel, 0.5f);
    glBindTexture(GL_TEXTURE_2D, sphereTexture.name);
    drawSphereChain(p);

    glColor4f(fadeLevel, fadeLevel, fadeLevel, 1.0f);
    beginOverlay();
    glDisable(GL_TEXTURE_2D);
    drawSquare();
    // Drawn at the square's depth and after it, the logo fails the depth test where the square is.
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, logoTexture.name);
    glPushMatrix();
    drawFullWindowQuad();
    glPopMatrix();
    endOverlay();
}

} // namespace IntroScene
