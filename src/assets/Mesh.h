#pragma once

#include "assets/Vec.h"

#include <cstdint>

// A triangle mesh read from a small subset of OBJ (positions, texture coordinates and triangles
// whose corners name position/texCoord/normal) and drawn as textured triangles. The normals are
// read past and dropped.
//
// Corners 3t, 3t + 1 and 3t + 2 form triangle t. Loading moves every triangle that names an
// index outside its array to the back of the index arrays, keeping the file order of the rest,
// so draw() sends exactly the first drawnCornerCount corners without checking any of them.
struct Mesh {
    int32_t positionCount = 0;
    int32_t texCoordCount = 0;
    int32_t faceCount = 0;
    int32_t cornerCount = 0; // 3 * faceCount
    int32_t* positionIndex = nullptr;
    int32_t* texCoordIndex = nullptr;
    Vec3* positions = nullptr;
    Vec2* texCoords = nullptr;
    int32_t nextPosition = 0;
    int32_t nextTexCoord = 0;
    int32_t nextCorner = 0;
    int32_t drawnCornerCount = 0; // the corners of the triangles whose indices all hold

    Mesh() = default;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    ~Mesh();

    // Reads the file into this mesh, replacing what it held. Opens it for reading and updating and
    // appends one line end to it on every load. A file that cannot be opened that way shows
    // "Error opening .obj file" and returns false with the mesh unchanged; when the arrays cannot
    // be had the mesh is left empty and the result is false, without a message.
    bool loadObj(const char* fileName);
    // Sends the mesh as GL_TRIANGLES, each corner as a texture coordinate and a vertex, with the
    // texture, colour and matrices the caller has set. Needs the GL context.
    void draw() const;
};

// loadObj in steps short enough that a browser's page stays responsive through a large file: the
// opening (the first step, which finds a file that cannot be opened), then the two passes over the
// file a batch of pieces at a time. The same message, the same line end.
struct ObjMeshLoad {
    Mesh* mesh = nullptr;
    const char* fileName = nullptr;
    void* file = nullptr;                            // the open FILE
    int64_t positions = 0, texCoords = 0, faces = 0; // counted by the first pass
    int stage = 0;
    bool loaded = false; // once ended: what loadObj returns
};
ObjMeshLoad beginObjMesh(Mesh& mesh, const char* fileName);
// One step; true once the load has ended.
bool stepObjMesh(ObjMeshLoad& load);
