#include "assets/Mesh.h"

#include "platform/MessageBox.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// fgets hands out at most 79 characters at a time: a longer line arrives as several pieces, and
// each piece is classified on its own.
constexpr int pieceSize = 80;

enum class PieceClass { Position, TexCoord, Face, Other };

// By substring, not by prefix, and in this order: a comment that holds "f " takes a face slot,
// and "vt " never makes a position because it does not contain "v ".
PieceClass classify(const char* piece) {
    if (std::strstr(piece, "v ")) return PieceClass::Position;
    if (std::strstr(piece, "vt ")) return PieceClass::TexCoord;
    if (std::strstr(piece, "f ")) return PieceClass::Face;
    return PieceClass::Other;
}

struct PieceCounts {
    int64_t positions = 0;
    int64_t texCoords = 0;
    int64_t faces = 0;
};

// Each pass goes this many pieces a step: a few milliseconds.
constexpr int piecesPerStep = 512;

// False once the file is read to its end.
bool countPieces(std::FILE* file, char* piece, PieceCounts& counts) {
    for (int n = 0; n < piecesPerStep; ++n) {
        if (!std::fgets(piece, pieceSize, file)) return false;
        switch (classify(piece)) {
        case PieceClass::Position:
            ++counts.positions;
            break;
        case PieceClass::TexCoord:
            ++counts.texCoords;
            break;
        case PieceClass::Face:
            ++counts.faces;
            break;
        case PieceClass::Other:
            break;
        }
    }
    return true;
}

// Counts past what the fields can hold are refused like memory that cannot be had.
bool countsFit(const PieceCounts& counts) {
    const int64_t most = INT32_MAX;
    return counts.positions <= most && counts.texCoords <= most && counts.faces <= most / 3;
}

// Zero-filled, so that every field a pattern does not write reads 0. No entries, no array.
template <typename T> T* allocateZeroed(int32_t count) {
    return count > 0 ? static_cast<T*>(std::calloc(static_cast<size_t>(count), sizeof(T)))
                     : nullptr;
}

void makeEmpty(Mesh& mesh) {
    std::free(mesh.positionIndex);
    std::free(mesh.texCoordIndex);
    std::free(mesh.positions);
    std::free(mesh.texCoords);
    mesh.positionIndex = mesh.texCoordIndex = nullptr;
    mesh.positions = nullptr;
    mesh.texCoords = nullptr;
    mesh.positionCount = mesh.texCoordCount = mesh.faceCount = mesh.cornerCount = 0;
    mesh.nextPosition = mesh.nextTexCoord = mesh.nextCorner = mesh.drawnCornerCount = 0;
}

bool allocateArrays(Mesh& mesh, const PieceCounts& counts) {
    if (!countsFit(counts)) return false;
    mesh.positionCount = static_cast<int32_t>(counts.positions);
    mesh.texCoordCount = static_cast<int32_t>(counts.texCoords);
    mesh.faceCount = static_cast<int32_t>(counts.faces);
    mesh.cornerCount = 3 * mesh.faceCount;
    mesh.positionIndex = allocateZeroed<int32_t>(mesh.cornerCount);
    mesh.texCoordIndex = allocateZeroed<int32_t>(mesh.cornerCount);
    mesh.positions = allocateZeroed<Vec3>(mesh.positionCount);
    mesh.texCoords = allocateZeroed<Vec2>(mesh.texCoordCount);
    return (mesh.positionIndex || mesh.cornerCount == 0) &&
           (mesh.texCoordIndex || mesh.cornerCount == 0) &&
           (mesh.positions || mesh.positionCount == 0) &&
           (mesh.texCoords || mesh.texCoordCount == 0);
}

void readPosition(const char* piece, Vec3& p) {
    std::sscanf(piece, "v %f %f %f", &p.x, &p.y, &p.z);
}

void readTexCoord(const char* piece, Vec2& t) {
    std::sscanf(piece, "vt %f %f", &t.u, &t.v);
}

// %i, so 010 is octal and 0x10 hexadecimal. Only the first three corners count; the normal index
// is read past.
void readFace(const char* piece, int32_t* position, int32_t* texCoord) {
    int normal = 0;
    std::sscanf(piece, "f %i/%i/%i %i/%i/%i %i/%i/%i", &position[0], &texCoord[0], &normal,
                &position[1], &texCoord[1], &normal, &position[2], &texCoord[2], &normal);
}

// A piece takes its slot whether or not its pattern converts anything. The cursor tests only
// matter when the file changed between the two passes. False once the file is read to its end.
bool parsePieces(std::FILE* file, char* piece, Mesh& mesh) {
    for (int n = 0; n < piecesPerStep; ++n) {
        if (!std::fgets(piece, pieceSize, file)) return false;
        switch (classify(piece)) {
        case PieceClass::Position:
            if (mesh.nextPosition < mesh.positionCount)
                readPosition(piece, mesh.positions[mesh.nextPosition++]);
            break;
        case PieceClass::TexCoord:
            if (mesh.nextTexCoord < mesh.texCoordCount)
                readTexCoord(piece, mesh.texCoords[mesh.nextTexCoord++]);
            break;
        case PieceClass::Face:
            if (mesh.nextCorner < mesh.cornerCount) {
                readFace(piece, mesh.positionIndex + mesh.nextCorner,
                         mesh.texCoordIndex + mesh.nextCorner);
                mesh.nextCorner += 3;
            }
            break;
        case PieceClass::Other:
            break;
        }
    }
    return true;
}

// The file counts from 1. Through unsigned, so that the most negative index wraps to one outside
// every array instead of overflowing.
int32_t zeroBased(int32_t fileIndex) {
    return static_cast<int32_t>(static_cast<uint32_t>(fileIndex) - 1u);
}

bool holds(int32_t index, int32_t count) {
    return index >= 0 && index < count;
}

bool triangleHolds(const Mesh& mesh, int32_t firstCorner) {
    for (int32_t k = firstCorner; k < firstCorner + 3; ++k)
        if (!holds(mesh.positionIndex[k], mesh.positionCount) ||
            !holds(mesh.texCoordIndex[k], mesh.texCoordCount))
            return false;
    return true;
}

// Swaps the triangles that can be drawn to the front, in file order; those naming an index
// outside its array (0 or negative in the file, beyond the count, or a corner the pattern did not
// reach) end up behind them. Returns how many corners can be drawn.
int32_t moveDrawableTrianglesToFront(Mesh& mesh) {
    int32_t drawn = 0;
    for (int32_t corner = 0; corner < mesh.cornerCount; corner += 3) {
        if (!triangleHolds(mesh, corner)) continue;
        for (int32_t j = 0; j < 3; ++j) {
            std::swap(mesh.positionIndex[drawn + j], mesh.positionIndex[corner + j]);
            std::swap(mesh.texCoordIndex[drawn + j], mesh.texCoordIndex[corner + j]);
        }
        drawn += 3;
    }
    return drawn;
}

} // namespace

Mesh::~Mesh() {
    makeEmpty(*this);
}

bool Mesh::loadObj(const char* fileName) {
    ObjMeshLoad load = beginObjMesh(*this, fileName);
    while (!stepObjMesh(load)) continue;
    return load.loaded;
}

ObjMeshLoad beginObjMesh(Mesh& mesh, const char* fileName) {
    ObjMeshLoad load;
    load.mesh = &mesh;
    load.fileName = fileName;
    return load;
}

bool stepObjMesh(ObjMeshLoad& load) {
    enum { Open, Count, Parse, Finish };
    Mesh& mesh = *load.mesh;
    auto* file = static_cast<std::FILE*>(load.file);
    // fgets writes each piece here; nothing of one piece is needed in the next.
    char piece[pieceSize] = {};
    switch (load.stage) {
    case Open:
        // "r+" on purpose: every load appends a line end, so the file must be writable.
        file = std::fopen(load.fileName, "r+");
        if (!file) {
            showMessageBox("Error opening .obj file", "App");
            return true;
        }
        load.file = file;
        std::fseek(file, 0, SEEK_END);
        std::fputc('\n', file);
        std::fseek(file, 0, SEEK_SET);
        makeEmpty(mesh);
        load.stage = Count;
        return false;
    case Count: {
        PieceCounts counts{load.positions, load.texCoords, load.faces};
        const bool more = countPieces(file, piece, counts);
        load.positions = counts.positions;
        load.texCoords = counts.texCoords;
        load.faces = counts.faces;
        if (more) return false;
        if (!allocateArrays(mesh, counts)) {
            makeEmpty(mesh);
            break;
        }
        std::fseek(file, 0, SEEK_SET);
        load.stage = Parse;
        return false;
    }
    case Parse:
        if (!parsePieces(file, piece, mesh)) load.stage = Finish;
        return false;
    case Finish:
        for (int32_t k = 0; k < mesh.cornerCount; ++k) {
            mesh.positionIndex[k] = zeroBased(mesh.positionIndex[k]);
            mesh.texCoordIndex[k] = zeroBased(mesh.texCoordIndex[k]);
        }
        mesh.drawnCornerCount = moveDrawableTrianglesToFront(mesh);
        load.loaded = true;
        break;
    }
    std::fclose(file);
    load.file = nullptr;
    return true;
}

void Mesh::draw() const {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glBegin(GL_TRIANGLES);
    for (int32_t k = 0; k < drawnCornerCount; ++k) {
        const Vec2& t = texCoords[texCoordIndex[k]];
        const Vec3& p = positions[positionIndex[k]];
        glTexCoord2f(t.u, t.v);
        glVertex3f(p.x, p.y, p.z);
    }
    glEnd();
}
