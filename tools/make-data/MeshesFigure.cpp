#include "CurveFrames.h"
#include "Meshes.h"
#include "Shots.h"

#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

// The knot that winds `turns` times round the axis of a torus and `loops` times through its hole.
Vector3 torusKnot(int turns, int loops, double t) {
    const double r = 2.0 + std::cos(loops * t);
    return {r * std::cos(turns * t), r * std::sin(turns * t), std::sin(loops * t)};
}

} // namespace

TriangleMesh makeKnot() {
    // The scene scales the figure by 4 and the eye runs from 1 to 3.3 units away: scaled, the knot
    // reaches 0.52 units from its centre. It fills the window as the shot opens, is whole in view
    // from the shot's third second and still about a third of the window's height at its end.
    const int turns = 2, loops = 3;
    const int samples = 240, around = 16;
    const double scale = 0.52 / 4 / 3.4, tubeRadius = 0.4 * scale;
    std::vector<Vector3> points;
    for (int i = 0; i < samples; ++i)
        points.push_back(torusKnot(turns, loops, 2 * pi * i / samples) * scale);
    const std::vector<CurveFrame> frames = frameCurve(points, true);

    TriangleMesh mesh;
    // Tiles about as long as the tube is round: 12 along the knot, one round the tube.
    const SurfaceGrid grid{samples, around, samples / 12, around, true, true};
    addSurface(mesh, grid, [&](double s, double t) {
        const CurveFrame& frame = frames[std::lround(s * samples) % samples];
        return frame.around(tubeRadius, -2 * pi * t);
    });
    // In the mesh's own units, seen from the middle of the shot.
    const double p = 0.2;
    const Vector3 eye = transposed(rotation(45, {1, 0, 0}) * Shots::meshTurn(p)) *
                        Shots::eye(Shots::figure, p) * 0.25;
    sortNearestFirst(mesh, eye);
    return mesh;
}
