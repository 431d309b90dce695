#include "scenes/StarScene.h"

#include "assets/AssetQueue.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "scenes/OrbitShot.h"

namespace StarScene {

namespace {

Mesh starMesh;
Texture starTexture;

} // namespace

void load() {
    queueObj(starMesh, "data/star.obj");
    queueJpeg(starTexture, "data/texture3.jpg");
}

// One third and minus eight thirds, as single-precision floats.
void draw(float p) {
    drawOrbitShot(p, 0.33333334f, -2.6666667f, starTexture, starMesh, keepUnitScale);
}

} // namespace StarScene
