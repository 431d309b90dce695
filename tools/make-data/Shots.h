#pragma once

#include "Vector3.h"

// Where the demo's cameras stand and how its scenes move the meshes, so that each mesh can be
// sized and ordered for the shot that shows it. Everything beyond 4.5 units in front of a camera
// lies behind the banner, and the near plane is 0.5 units in front of it.
namespace Shots {

// The orbit shots: the eye at (sin(k p), h p, cos(k p)) for progress p, looking at the origin,
// while the mesh turns by 10 p degrees about the diagonal.
// The figure shot runs while p goes from 0 to 13 / 33, the inside shot from there to 1.
struct Orbit {
    double k, h;
};
inline constexpr Orbit figure{1.0, -8.0};
inline constexpr Orbit inside{1.0, -8.0};
inline constexpr Orbit sphere{0.2, -1.6};
inline constexpr Orbit star{1.0 / 3.0, -8.0 / 3.0};

inline Vector3 eye(const Orbit& orbit, double p) {
    return {std::sin(orbit.k * p), orbit.h * p, std::cos(orbit.k * p)};
}
inline Matrix3 meshTurn(double p) {
    return rotation(10.0 * p, {1, 1, 1});
}

// The intro looks from (0, 0, -7) at the origin. Each sphere of its chain is the one before moved
// 8 of its units along its z, scaled by 4 and turned by 20 degrees about (1, 0, 1) and by the
// progress, taken as degrees, about x; the first is that step applied once to the mesh.
inline const Vector3 introEye{0, 0, -7};
struct ChainStep {
    Matrix3 linear; // the turn and the scale
    Vector3 offset;
    // From the units of one sphere to those of the sphere before it.
    Vector3 applyInverse(Vector3 p) const { return transposed(linear) * (p - offset) * (1.0 / 16); }
};
inline ChainStep chainStep(double p) {
    const Matrix3 turn = rotation(20.0, {1, 0, 1}) * rotation(p, {1, 0, 0});
    ChainStep step;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) step.linear.m[i][j] = 4.0 * turn.m[i][j];
    step.offset = {0, 0, 8};
    return step;
}

} // namespace Shots
