#include "CurveFrames.h"
#include "Meshes.h"
#include "Shots.h"

#include <algorithm>
#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

// The inside shot's camera, in the mesh's own turning frame.
Vector3 cameraInMesh(double p) {
    return transposed(Shots::meshTurn(p)) * Shots::eye(Shots::inside, p);
}

} // namespace

TriangleMesh makeTunnel() {
    // The eye drops from 3.3 to 8.1 units below the origin while it looks up at it, and nothing
    // beyond 4.5 units shows. So the tunnel runs along the eye's own path, well before and after
    // the shot, and the eye looks back up it: walls to the sides, ribs passing, and the city at
    // the far end.
    const double firstP = -0.2, lastP = 1.15;
    const int tilesAlong = 14, cellsPerTile = 16, around = 32, tilesAround = 8;
    const int rings = tilesAlong * cellsPerTile;
    const double wallRadius = 1.0, ribRadius = 0.8;
    std::vector<Vector3> path;
    std::vector<double> pathP;
    for (int i = 0; i <= rings; ++i) {
        pathP.push_back(firstP + (lastP - firstP) * i / rings);
        path.push_back(cameraInMesh(pathP.back()));
    }
    const std::vector<CurveFrame> frames = frameCurve(path, false);

    // Ribs first, nearest the camera first: the camera looks back along its path, towards
    // smaller p, so a rib further along the path is always the nearer one.
    TriangleMesh ribs;
    const int ribEvery = 2 * cellsPerTile, ribRings = 2;
    for (int start = rings - ribEvery / 2; start - ribRings >= 0; start -= ribEvery) {
        const int first = start - ribRings;
        auto ringAt = [&](double t) { return frames[first + std::lround(t * ribRings)]; };
        const SurfaceGrid band{around, 1, around / tilesAround, 1, true, false};
        // The rib's inner face, then its two sides.
        TriangleMesh rib;
        addSurface(rib, band,
                   [&](double s, double t) { return ringAt(t).around(ribRadius, 2 * pi * s); });
        addSurface(rib, band, [&](double s, double t) {
            return frames[start].around(ribRadius + (wallRadius - ribRadius) * t, 2 * pi * s);
        });
        addSurface(rib, band, [&](double s, double t) {
            return frames[first].around(wallRadius - (wallRadius - ribRadius) * t, 2 * pi * s);
        });
        ribs.append(rib);
    }

    TriangleMesh walls;
    const SurfaceGrid wallGrid{around, rings, around / tilesAround, cellsPerTile, true, false};
    addSurface(walls, wallGrid, [&](double s, double t) {
        return frames[std::lround(t * rings)].around(wallRadius, 2 * pi * s);
    });
    // Wall rows nearest the end of the path first, for the same reason as the ribs.
    std::reverse(walls.triangles.begin(), walls.triangles.end());

    TriangleMesh mesh = ribs;
    mesh.append(walls);
    return mesh;
}
