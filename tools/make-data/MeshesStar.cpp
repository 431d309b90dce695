#include "Meshes.h"
#include "Shots.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The twenty corners of a dodecahedron, at distance sqrt(3) from its centre.
std::vector<Vector3> dodecahedronCorners() {
    const double phi = (1 + std::sqrt(5.0)) / 2, inverse = 1 / phi;
    std::vector<Vector3> corners;
    for (const double a : {-1.0, 1.0}) {
        for (const double b : {-1.0, 1.0}) {
            for (const double c : {-1.0, 1.0}) corners.push_back({a, b, c});
            corners.push_back({0, a * inverse, b * phi});
            corners.push_back({a * inverse, b * phi, 0});
            corners.push_back({a * phi, 0, b * inverse});
        }
    }
    return corners;
}

// The twelve face directions of a dodecahedron: the corners of an icosahedron.
std::vector<Vector3> dodecahedronFaceDirections() {
    const double phi = (1 + std::sqrt(5.0)) / 2;
    std::vector<Vector3> directions;
    for (const double a : {-1.0, 1.0}) {
        for (const double b : {-1.0, 1.0}) {
            directions.push_back(normalised({0, a * phi, b}));
            directions.push_back(normalised({a * phi, b, 0}));
            directions.push_back(normalised({a, 0, b * phi}));
        }
    }
    return directions;
}

} // namespace

TriangleMesh makeStar() {
    // The eye starts one unit away, so the tips stay just inside the near plane half a unit in
    // front of it, and at 2.9 units at the end the star still fills a third of the window's height.
    const double tipRadius = 0.49, coreRadius = 0.2;
    const std::vector<Vector3> corners = dodecahedronCorners();
    TriangleMesh mesh;
    const int base0 = mesh.addTexCoord(0, 1), base1 = mesh.addTexCoord(1, 1),
              tipCoord = mesh.addTexCoord(0.5, 0);
    for (const Vector3& direction : dodecahedronFaceDirections()) {
        // The face's five corners are the ones nearest its direction; go round them in order.
        std::vector<Vector3> face;
        for (const Vector3& corner : corners)
            if (dot(normalised(corner), direction) > 0.7) face.push_back(corner);
        const Vector3 centre = direction * dot(face[0], direction);
        const Vector3 side = normalised(face[0] - centre), up = cross(direction, side);
        std::sort(face.begin(), face.end(), [&](Vector3 a, Vector3 b) {
            return std::atan2(dot(a - centre, up), dot(a - centre, side)) <
                   std::atan2(dot(b - centre, up), dot(b - centre, side));
        });
        const int tip = mesh.addPosition(direction * tipRadius);
        for (size_t i = 0; i < face.size(); ++i) {
            const Vector3 a = face[i] * (coreRadius / std::sqrt(3.0));
            const Vector3 b = face[(i + 1) % face.size()] * (coreRadius / std::sqrt(3.0));
            const int normal = mesh.addNormal(cross(b - a, direction * tipRadius - a));
            const int first = mesh.addPosition(a), second = mesh.addPosition(b);
            mesh.addTriangle({first, base0, normal}, {second, base1, normal},
                             {tip, tipCoord, normal});
        }
    }
    const Vector3 middleEye = transposed(Shots::meshTurn(0.5)) * Shots::eye(Shots::star, 0.5);
    sortNearestFirst(mesh, middleEye);
    return mesh;
}
