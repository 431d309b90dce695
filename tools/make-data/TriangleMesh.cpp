#include "TriangleMesh.h"

#include <algorithm>

int TriangleMesh::addPosition(Vector3 p) {
    positions.push_back(p);
    return static_cast<int>(positions.size()) - 1;
}

int TriangleMesh::addNormal(Vector3 n) {
    normals.push_back(normalised(n));
    return static_cast<int>(normals.size()) - 1;
}

int TriangleMesh::addTexCoord(double u, double v) {
    const auto [entry, added] =
        texCoordIndex.try_emplace({u, v}, static_cast<int>(texCoords.size()));
    if (added) texCoords.push_back({u, v});
    return entry->second;
}

void TriangleMesh::append(const TriangleMesh& other) {
    const int positionBase = static_cast<int>(positions.size());
    const int normalBase = static_cast<int>(normals.size());
    positions.insert(positions.end(), other.positions.begin(), other.positions.end());
    normals.insert(normals.end(), other.normals.begin(), other.normals.end());
    std::vector<int> texCoordMap;
    for (const TexCoord& t : other.texCoords) texCoordMap.push_back(addTexCoord(t.u, t.v));
    for (Triangle triangle : other.triangles) {
        for (Corner& corner : triangle) {
            corner.position += positionBase;
            corner.normal += normalBase;
            corner.texCoord = texCoordMap[corner.texCoord];
        }
        triangles.push_back(triangle);
    }
}

void addSurface(TriangleMesh& mesh, const SurfaceGrid& grid,
                const std::function<Vector3(double s, double t)>& positionAt) {
    const int nodeColumns = grid.wrapColumns ? grid.columns : grid.columns + 1;
    const int nodeRows = grid.wrapRows ? grid.rows : grid.rows + 1;
    std::vector<Vector3> node(static_cast<size_t>(nodeColumns) * nodeRows);
    for (int j = 0; j < nodeRows; ++j)
        for (int i = 0; i < nodeColumns; ++i)
            node[j * nodeColumns + i] = positionAt(double(i) / grid.columns, double(j) / grid.rows);

    // Normals from the neighbouring nodes, across the joins of wrapped directions.
    auto neighbour = [](int index, int count, bool wrap) {
        return wrap ? (index + count) % count : std::clamp(index, 0, count - 1);
    };
    std::vector<int> positionOf(node.size()), normalOf(node.size());
    for (int j = 0; j < nodeRows; ++j) {
        for (int i = 0; i < nodeColumns; ++i) {
            auto at = [&](int di, int dj) {
                return node[neighbour(j + dj, nodeRows, grid.wrapRows) * nodeColumns +
                            neighbour(i + di, nodeColumns, grid.wrapColumns)];
            };
            positionOf[j * nodeColumns + i] = mesh.addPosition(at(0, 0));
            normalOf[j * nodeColumns + i] =
                mesh.addNormal(cross(at(1, 0) - at(-1, 0), at(0, 1) - at(0, -1)));
        }
    }
    auto corner = [&](int cellI, int cellJ, int di, int dj) {
        const int i = (cellI + di) % nodeColumns, j = (cellJ + dj) % nodeRows;
        const double u = double(cellI % grid.tileColumns + di) / grid.tileColumns;
        const double v = double(cellJ % grid.tileRows + dj) / grid.tileRows;
        return TriangleMesh::Corner{positionOf[j * nodeColumns + i], mesh.addTexCoord(u, v),
                                    normalOf[j * nodeColumns + i]};
    };
    for (int j = 0; j < grid.rows; ++j) {
        for (int i = 0; i < grid.columns; ++i) {
            mesh.addTriangle(corner(i, j, 0, 0), corner(i, j, 1, 0), corner(i, j, 1, 1));
            mesh.addTriangle(corner(i, j, 0, 0), corner(i, j, 1, 1), corner(i, j, 0, 1));
        }
    }
}

Vector3 centroid(const TriangleMesh& mesh, const TriangleMesh::Triangle& triangle) {
    return (mesh.positions[triangle[0].position] + mesh.positions[triangle[1].position] +
            mesh.positions[triangle[2].position]) *
           (1.0 / 3.0);
}

void sortNearestFirst(TriangleMesh& mesh, Vector3 eye) {
    std::vector<std::pair<double, TriangleMesh::Triangle>> keyed;
    keyed.reserve(mesh.triangles.size());
    for (const TriangleMesh::Triangle& triangle : mesh.triangles) {
        const Vector3 offset = centroid(mesh, triangle) - eye;
        keyed.push_back({dot(offset, offset), triangle});
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < keyed.size(); ++i) mesh.triangles[i] = keyed[i].second;
}
