#include "CurveFrames.h"
#include "Meshes.h"
#include "Shots.h"

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
    // the shot, and the eye looks back up it: panels to every side, ribs passing, and the city at
    // the far end and through the gaps.
    const double firstP = -0.2, lastP = 1.15;
    const int panelsAlong = 14, ringsPerPanel = 10, panelsAround = 8;
    const int rings = panelsAlong * ringsPerPanel;
    const double wallRadius = 1.0, ribRadius = 0.82, gapAround = 0.08 / panelsAround;
    std::vector<Vector3> path;
    for (int i = 0; i <= rings; ++i)
        path.push_back(cameraInMesh(firstP + (lastP - firstP) * i / rings));
    const std::vector<CurveFrame> frames = frameCurve(path, false);

    // The camera looks back along its path, towards smaller p, so whatever lies further along
    // the path is nearer to it: ribs first, then panels, each from the far end of the path back.
    TriangleMesh mesh;
    const SurfaceGrid band{32, 1, 4, 1, true, false};
    for (int ring = rings - 2 * ringsPerPanel; ring > 0; ring -= 2 * ringsPerPanel) {
        // A flat ring standing in from the wall over a joint between panels: its inner face,
        // then its two sides.
        const CurveFrame &before = frames[ring - 1], &after = frames[ring + 1];
        addSurface(mesh, band, [&](double s, double t) {
            return (t < 0.5 ? before : after).around(ribRadius, 2 * pi * s);
        });
        addSurface(mesh, band, [&](double s, double t) {
            return after.around(ribRadius + (wallRadius - ribRadius) * t, 2 * pi * s);
        });
        addSurface(mesh, band, [&](double s, double t) {
            return before.around(wallRadius - (wallRadius - ribRadius) * t, 2 * pi * s);
        });
    }
    const SurfaceGrid panel{4, ringsPerPanel - 2, 4, ringsPerPanel - 2};
    for (int along = panelsAlong - 1; along >= 0; --along) {
        for (int around = 0; around < panelsAround; ++around) {
            const double firstTurn = double(around) / panelsAround + gapAround;
            const double turns = 1.0 / panelsAround - 2 * gapAround;
            const int firstRing = along * ringsPerPanel + 1;
            addSurface(mesh, panel, [&](double s, double t) {
                const int ring = firstRing + static_cast<int>(std::lround(t * (ringsPerPanel - 2)));
                return frames[ring].around(wallRadius, 2 * pi * (firstTurn + s * turns));
            });
        }
    }
    return mesh;
}
