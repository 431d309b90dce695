#include "scenes/BannerScene.h"

#include "assets/Texture.h"
#include "audio/Music.h"

#include <GL/gl.h>

namespace BannerScene {

namespace {
Texture calmTexture;
Texture loudTexture;
constexpr float baseDepth = -4.5f;
} // namespace

void load() {
    calmTexture.loadJpeg("data/city_bw.jpg");
    loudTexture.loadJpeg("data/city_bw1.jpg");
}

void draw(float progress) {
    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 0.5f);
    float z = baseDepth;
    if (music.spectrumLevel() > 1.5f) {
        glBindTexture(GL_TEXTURE_2D, loudTexture.name);
        // A fresh reading, not the one that chose the picture: the jump follows the music.
        z = static_cast<float>(double{music.spectrumLevel()} + baseDepth);
    } else {
        glBindTexture(GL_TEXTURE_2D, calmTexture.name);
    }
    glTranslatef(static_cast<float>(15.0 - 14.0 * progress), 0, z);
    // s runs from the right end to the left: the city is shown mirrored.
    glBegin(GL_QUADS);
    glTexCoord2f(1, 1);
    glVertex2f(-20, -2);
    glTexCoord2f(0, 1);
    glVertex2f(20, -2);
    glTexCoord2f(0, 0);
    glVertex2f(20, 2);
    glTexCoord2f(1, 0);
    glVertex2f(-20, 2);
    glEnd();
    glPopMatrix();
}

} // namespace BannerScene
