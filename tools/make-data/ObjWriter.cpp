#include "ObjWriter.h"

#include <cstdio>

bool writeObj(const std::string& path, const TriangleMesh& mesh) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return false;
    for (const Vector3& p : mesh.positions) std::fprintf(file, "v %.5f %.5f %.5f\n", p.x, p.y, p.z);
    for (const TriangleMesh::TexCoord& t : mesh.texCoords)
        std::fprintf(file, "vt %.5f %.5f\n", t.u, t.v);
    for (const Vector3& n : mesh.normals) std::fprintf(file, "vn %.4f %.4f %.4f\n", n.x, n.y, n.z);
    for (const TriangleMesh::Triangle& triangle : mesh.triangles) {
        std::fprintf(file, "f");
        for (const TriangleMesh::Corner& corner : triangle)
            std::fprintf(file, " %d/%d/%d", corner.position + 1, corner.texCoord + 1,
                         corner.normal + 1);
        std::fprintf(file, "\n");
    }
    const bool written = !std::ferror(file);
    if (std::fclose(file) != 0 || !written) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}
