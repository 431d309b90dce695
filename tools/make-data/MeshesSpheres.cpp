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
    for (const auto& face : faces) {
        // Named copies, not a structured binding: C++17 lambdas cannot capture those.
        const Vector3 a = face[0], b = face[1];
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
    // The intro repeats one step five times, so the chain spirals out of the step's fixed point,
    // which lies just behind the banner, each sphere four times as far from it and four times as
    // large as the one before. The mesh is placed so that the second sphere rises, large, through
    // the lower left of the window while the progress swings the chain, the first leads back,
    // small, to the fixed point, and the other three stay behind the camera.
    const Shots::ChainStep step = Shots::chainStep(0.5);
    const Vector3 secondCentre{0.495, -0.38, -4.5};
    const double secondRadius = 0.5;
    Vector3 centre = secondCentre;
    for (int i = 0; i < 2; ++i) centre = step.applyInverse(centre);

    TriangleMesh mesh;
    addCubeSphere(mesh, centre, secondRadius / 16, 12, 1);
    // Seen from the camera in the second sphere's own units.
    Vector3 eye = Shots::introEye;
    for (int i = 0; i < 2; ++i) eye = step.applyInverse(eye);
    sortNearestFirst(mesh, eye);
    return mesh;
}

TriangleMesh makeTiledBall() {
    // The eye starts one unit from the centre, past a near plane half a unit in front of it, and
    // ends 1.9 away: a radius a little under half a unit fills the window at first and never
    // reaches the near plane.
    TriangleMesh mesh;
    addCubeSphere(mesh, {0, 0, 0}, 0.45, 18, 3);
    const Vector3 middleEye = transposed(Shots::meshTurn(0.5)) * Shots::eye(Shots::sphere, 0.5);
    sortNearestFirst(mesh, middleEye);
    return mesh;
}
