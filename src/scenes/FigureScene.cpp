#include "scenes/FigureScene.h"

#include "assets/AssetQueue.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "audio/ShowClock.h"
#include "scenes/OrbitShot.h"

#include <GL/gl.h>

namespace FigureScene {

namespace {

Mesh figureMesh;
Mesh insideMesh;
Texture insideTexture;
Texture figureTexture;

void enlargeAndTipForward() {
    glScalef(4, 4, 4);
    glRotatef(45, 1, 0, 0);
}

} // namespace

void load() {
    queueObj(figureMesh, "data/figure.obj");
    queueObj(insideMesh, "data/inside.obj");
    queueJpeg(insideTexture, "data/texture6.jpg");
    queueJpeg(figureTexture, "data/texture7.jpg");
}

// The cut is chosen by the absolute time, with strict bounds, so that at 13000, 26000 and 46000 ms
// nothing is drawn and no other scene's camera meets this one in the same frame. p runs over the
// whole row: the camera path goes on across the cut.
void draw(float p) {
    if (13000 < elapsedMs && elapsedMs < 26000)
        drawOrbitShot(p, 1, -8, figureTexture, figureMesh, enlargeAndTipForward);
    if (26000 < elapsedMs && elapsedMs < 46000) drawOrbitShot(p, 1, -8, insideTexture, insideMesh);
}

} // namespace FigureScene
