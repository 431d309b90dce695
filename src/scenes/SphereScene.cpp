#include "scenes/SphereScene.h"

#include "assets/AssetQueue.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "scenes/OrbitShot.h"

namespace SphereScene {

namespace {

// The spare mesh and texture are loaded and never drawn; the load still gives "data/star.obj" its
// line end and reports a missing file.
Mesh spareMesh;
Mesh sphereMesh;
Texture sphereTexture;
Texture spareTexture;

} // namespace

void load() {
    queueObj(spareMesh, "data/star.obj");
    queueObj(sphereMesh, "data/sphere2.obj");
    queueJpeg(sphereTexture, "data/texture3.jpg");
    queueJpeg(spareTexture, "data/texture5.jpg");
}

void draw(float p) {
    drawOrbitShot(p, 0.2f, -1.6f, sphereTexture, sphereMesh, keepUnitScale);
}

} // namespace SphereScene
