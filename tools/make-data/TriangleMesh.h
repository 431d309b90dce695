#pragma once

#include "Vector3.h"

#include <array>
#include <functional>
#include <map>
#include <utility>
#include <vector>

// A triangle mesh as OBJ stores it: separate lists of positions, texture coordinates and normals,
// and corners that index all three. Texture coordinates stay within 0 ... 1 (the demo clamps them
// at the edge), so a texture repeats over a surface by tiles that each run from 0 to 1.
struct TriangleMesh {
    struct TexCoord {
        double u, v;
    };
    struct Corner {
        int position, texCoord, normal;
    };
    using Triangle = std::array<Corner, 3>;

    std::vector<Vector3> positions;
    std::vector<TexCoord> texCoords;
    std::vector<Vector3> normals;
    std::vector<Triangle> triangles;

    int addPosition(Vector3 p);
    int addNormal(Vector3 n);
    // Each distinct coordinate is stored once.
    int addTexCoord(double u, double v);
    void addTriangle(Corner a, Corner b, Corner c) { triangles.push_back({a, b, c}); }

    // Everything of `other` after what is here.
    void append(const TriangleMesh& other);

private:
    std::map<std::pair<double, double>, int> texCoordIndex;
};

// A surface over a grid of columns x rows cells, positionAt(s, t) with s and t in 0 ... 1. A
// wrapped direction joins its last grid line to its first (s = 1 is s = 0). The texture repeats as
// tiles of tileColumns x tileRows cells. positionAt is asked only at the grid's nodes; normals
// point along d/ds x d/dt.
struct SurfaceGrid {
    int columns, rows;
    int tileColumns, tileRows;
    bool wrapColumns = false, wrapRows = false;
};
void addSurface(TriangleMesh& mesh, const SurfaceGrid& grid,
                const std::function<Vector3(double s, double t)>& positionAt);

// Puts the triangles nearest to `eye` first. With depth testing on and the demo's additive
// blending, a near triangle drawn first hides what lies behind it, while one drawn after the
// surface behind it adds to it; drawing near to far makes a surface read as solid.
void sortNearestFirst(TriangleMesh& mesh, Vector3 eye);

Vector3 centroid(const TriangleMesh& mesh, const TriangleMesh::Triangle& triangle);
