#include "Meshes.h"
#include "Shots.h"

#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

// A sphere made of the six faces of a cube pushed out to the sphere, each face a grid of cells
// and tiles; unlike a latitude-longitude sphere it has no poles where tiles pinch together.
void addCubeSphere(TriangleMesh& mesh, Vector3 centre, double radius, int cellsPerFace,
                   int tilesPerFace) {
    // Face axes (a, b) with a x b pointing out of the face.
    const Vector3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    const Vector3 faces[6][2] = {{y, z}, {z, y}, {z, x}, {x, z}, {x, y}, {y, x}};
    const SurfaceGrid grid{cellsPerFace, cellsPerFace, cellsPerFace / tilesPerFace,
                           cellsPerFace / tilesPerFace};
    for (const auto& [a, b] : faces) {
        const Vector3 out = cross(a, b);
        addSurface(mesh, grid, [&](double s, double t) {
            // Spacing by the tangent makes the cells about equal in size.
            const Vector3 onCube =
                out + a * std::tan(pi / 4 * (2 * s - 1)) + b * std::tan(pi / 4 * (2 * t - 1));
            return centre + normalised(onCube) * radius;
        });
    }
}

} // namespace

TriangleMesh makeChainSphere() {
    // The intro repeats one step five times, so the chain spirals out of the step's fixed point;
    // that point lies just behind the banner. The mesh is placed so that the third sphere sits
    // large in the lower left of the window; the second and first then lead back, small, to the
    // fixed point, and the fourth and fifth land behind the camera.
    const Shots::ChainStep step = Shots::chainStep(0.5);
    Vector3 fixedPoint;
    for (int i = 0; i < 100; ++i) fixedPoint = step.applyInverse(fixedPoint);
    const Vector3 thirdCentre{0.51, -0.49, -4.4};
    const double thirdRadius = 0.55;
    Vector3 offset = thirdCentre - fixedPoint;
    for (int i = 0; i < 3; ++i) offset = transposed(step.linear) * offset * (1.0 / 16);
    const Vector3 centre = fixedPoint + offset;

    TriangleMesh mesh;
    addCubeSphere(mesh, centre, thirdRadius / 64, 16, 1);
    // Seen from the camera in the third sphere's own units.
    Vector3 eye = Shots::introEye;
    for (int i = 0; i < 3; ++i) eye = step.applyInverse(eye);
    sortNearestFirst(mesh, eye);
    return mesh;
}

TriangleMesh makeTiledBall() {
    // The eye starts one unit from the centre, past a near plane half a unit in front of it, and
    // ends 1.9 away: a radius a little under half a unit fills the window at first and never
    // reaches the near plane.
    TriangleMesh mesh;
    addCubeSphere(mesh, {0, 0, 0}, 0.45, 24, 3);
    const Vector3 middleEye = transposed(Shots::meshTurn(0.5)) * Shots::eye(Shots::sphere, 0.5);
    sortNearestFirst(mesh, middleEye);
    return mesh;
}
