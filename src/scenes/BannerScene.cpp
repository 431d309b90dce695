#include "scenes/BannerScene.h"

#include "assets/AssetQueue.h"
#include "assets/Texture.h"
#include "audio/Music.h"
#include "scenes/GentleFlashes.h"

#include <GL/gl.h>

namespace BannerScene {

namespace {
Texture calmTexture;
Texture loudTexture;
Texture gentleLoudTexture;
constexpr float baseDepth = -4.5f;

// The loud picture on a loud reading, and the strip as much nearer as the music is loud.
void placeWithTheMusic(float x) {
    float z = baseDepth;
    if (music.spectrumLevel() > 1.5f) {
        glBindTexture(GL_TEXTURE_2D, loudTexture.name);
        // A fresh reading, not the one that chose the picture: the jump follows the music.
        z = static_cast<float>(double{music.spectrumLevel()} + baseDepth);
    } else {
        glBindTexture(GL_TEXTURE_2D, calmTexture.name);
    }
    glTranslatef(x, 0, z);
}

// Gently: the gentler loud picture held through a loud passage, and on each beat a small jump,
// drawn as the strip seen nearer but kept at its own depth so the scenes behind it are never cut
// away. The beat's glow comes after every scene (drawGentleGlow).
void placeGently(float x) {
    const GentleBeat beat = gentleBeat();
    glBindTexture(GL_TEXTURE_2D, beat.loud ? gentleLoudTexture.name : calmTexture.name);
    // Seen from the eye, a point scaled about the view axis lands where it would if it were
    // nearer by the same factor.
    glTranslatef(x * beat.scale, 0, baseDepth);
    glScalef(beat.scale, beat.scale, 1);
}

// Kept from their loading for the gentle picture, made a band of the picture at a time and then
// uploaded a level at a time. It is needed from the first frame only when gentle flashes are asked
// for; otherwise it comes after every other asset, so that a page offers the start without it,
// yet has it made while the viewer reads the overlay, whose switch may still turn gentle on.
RgbPicture calm, loud;
GentleLoudPictureBuild gentleLoud;
MipmappedTextureUpload gentleLoudUpload;
constexpr size_t gentleLoudBytesPerStep = 1 << 19;

bool makeGentleLoud() {
    if (!calm.pixels || !loud.pixels) return true;
    if (!gentleLoud.calm) beginGentleLoudPicture(gentleLoud, calm, loud);
    if (!stepGentleLoudPicture(gentleLoud, gentleLoudBytesPerStep)) return false;
    freeRgbPicture(calm);
    freeRgbPicture(loud);
    return true;
}

bool uploadGentleLoud() {
    RgbPicture& picture = gentleLoud.picture;
    if (!picture.pixels) return true;
    if (!stepMipmappedTexture(gentleLoudUpload, picture)) return false;
    gentleLoudTexture.name = gentleLoudUpload.name;
    freeRgbPicture(picture);
    return true;
}

} // namespace

void load() {
    queueJpeg(calmTexture, "data/city_bw.jpg", &calm);
    queueJpeg(loudTexture, "data/city_bw1.jpg", &loud);
    queueStep(makeGentleLoud, gentleFlashes);
    queueStep(uploadGentleLoud, gentleFlashes);
    prepareGentleFlashes();
}

void draw(float progress) {
    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 0.5f);
    const auto x = static_cast<float>(15.0 - 14.0 * progress);
    if (gentleFlashes())
        placeGently(x);
    else
        placeWithTheMusic(x);
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
