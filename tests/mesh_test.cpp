#include "assets/Mesh.h"

#include "GlTest.h"
#include "MessageRecorder.h"
#include "ScratchDirectory.h"

#include <GL/gl.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Indices = std::vector<int32_t>;

Indices positionIndices(const Mesh& mesh) {
    return Indices(mesh.positionIndex, mesh.positionIndex + mesh.cornerCount);
}

Indices texCoordIndices(const Mesh& mesh) {
    return Indices(mesh.texCoordIndex, mesh.texCoordIndex + mesh.cornerCount);
}

Indices drawnPositionIndices(const Mesh& mesh) {
    return Indices(mesh.positionIndex, mesh.positionIndex + mesh.drawnCornerCount);
}

Indices drawnTexCoordIndices(const Mesh& mesh) {
    return Indices(mesh.texCoordIndex, mesh.texCoordIndex + mesh.drawnCornerCount);
}

void expectEmpty(const Mesh& mesh) {
    EXPECT_EQ(mesh.positionCount, 0);
    EXPECT_EQ(mesh.texCoordCount, 0);
    EXPECT_EQ(mesh.faceCount, 0);
    EXPECT_EQ(mesh.cornerCount, 0);
    EXPECT_EQ(mesh.drawnCornerCount, 0);
    EXPECT_EQ(mesh.nextPosition, 0);
    EXPECT_EQ(mesh.nextTexCoord, 0);
    EXPECT_EQ(mesh.nextCorner, 0);
    EXPECT_EQ(mesh.positionIndex, nullptr);
    EXPECT_EQ(mesh.texCoordIndex, nullptr);
    EXPECT_EQ(mesh.positions, nullptr);
    EXPECT_EQ(mesh.texCoords, nullptr);
}

// What holds after any load, whatever the file held: the cursors met their counts, and every
// corner the draw sends names an entry of its array.
void expectSafeToDraw(const Mesh& mesh) {
    EXPECT_EQ(mesh.cornerCount, 3 * mesh.faceCount);
    EXPECT_EQ(mesh.nextPosition, mesh.positionCount);
    EXPECT_EQ(mesh.nextTexCoord, mesh.texCoordCount);
    EXPECT_EQ(mesh.nextCorner, mesh.cornerCount);
    EXPECT_EQ(mesh.drawnCornerCount % 3, 0);
    EXPECT_LE(mesh.drawnCornerCount, mesh.cornerCount);
    for (int32_t k = 0; k < mesh.drawnCornerCount; ++k) {
        ASSERT_GE(mesh.positionIndex[k], 0);
        ASSERT_LT(mesh.positionIndex[k], mesh.positionCount);
        ASSERT_GE(mesh.texCoordIndex[k], 0);
        ASSERT_LT(mesh.texCoordIndex[k], mesh.texCoordCount);
    }
}

struct ObjReader : ::testing::Test {
    ScratchDirectory scratch;
    MessageRecorder recorder;
    const std::string path = scratch.dataFile("mesh.obj");

    bool load(Mesh& mesh, const std::string& contents) {
        writeTextFile(path, contents);
        return mesh.loadObj(path.c_str());
    }
};

const char* const threeCornerExample = "v -1.5 0.25 2\n"
                                       "v 1 0 0\n"
                                       "v 0 1e1 -3\n"
                                       "vt 0 0\n"
                                       "vt 1 0.5\n"
                                       "vt 0.25 1\n"
                                       "f 1/1/1 2/2/1 3/3/1\n";

} // namespace

TEST_F(ObjReader, ReadsTheThreeCornerExampleAndAppendsOneLineEnd) {
    Mesh mesh;
    ASSERT_TRUE(load(mesh, threeCornerExample));
    EXPECT_EQ(mesh.positionCount, 3);
    EXPECT_EQ(mesh.texCoordCount, 3);
    EXPECT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(mesh.cornerCount, 3);
    EXPECT_EQ(mesh.drawnCornerCount, 3);
    EXPECT_EQ(positionIndices(mesh), (Indices{0, 1, 2}));
    EXPECT_EQ(texCoordIndices(mesh), (Indices{0, 1, 2}));
    EXPECT_EQ(mesh.positions[0].x, -1.5f);
    EXPECT_EQ(mesh.positions[0].y, 0.25f);
    EXPECT_EQ(mesh.positions[2].y, 10.0f);
    EXPECT_EQ(mesh.positions[2].z, -3.0f);
    EXPECT_EQ(mesh.texCoords[1].u, 1.0f);
    EXPECT_EQ(mesh.texCoords[2].u, 0.25f);
    EXPECT_EQ(mesh.texCoords[2].v, 1.0f);
    expectSafeToDraw(mesh);
    EXPECT_EQ(readTextFile(path), std::string(threeCornerExample) + "\n");
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(ObjReader, EmptyFileGivesAnEmptyMeshOneLineEndLong) {
    Mesh mesh;
    EXPECT_TRUE(load(mesh, ""));
    expectEmpty(mesh);
    EXPECT_EQ(readTextFile(path), "\n");
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(ObjReader, FileThatCannotBeOpenedForUpdateShowsOneMessageAndChangesNothing) {
    Mesh mesh;
    EXPECT_FALSE(mesh.loadObj("data/missing.obj"));
    expectEmpty(mesh);
    ASSERT_EQ(recorder.boxes().size(), 1u);
    EXPECT_EQ(recorder.boxes()[0].text, "Error opening .obj file");
    EXPECT_EQ(recorder.boxes()[0].caption, "App");

    // A mesh that failed a later load keeps what it had; a directory refuses "r+" even to root.
    ASSERT_TRUE(load(mesh, threeCornerExample));
    EXPECT_FALSE(mesh.loadObj("data"));
    EXPECT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(mesh.positions[1].x, 1.0f);
    EXPECT_EQ(recorder.boxes().size(), 2u);
}

// Root may write any file, so there the load runs in a child that has given up root for nobody.
TEST_F(ObjReader, ReadOnlyFileFailsLikeAMissingOne) {
    writeTextFile(path, threeCornerExample);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(chmod(scratch.path.c_str(), 0755), 0);
    ASSERT_EQ(chmod("data", 0755), 0);
    const auto loadAsAnotherUser = [&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(10);
        Mesh mesh;
        const bool loaded = mesh.loadObj(path.c_str());
        const bool oneBox = recorder.boxes().size() == 1 &&
                            recorder.boxes()[0].text == "Error opening .obj file" &&
                            recorder.boxes()[0].caption == "App";
        // _exit: the leak check at exit cannot inspect a process that has changed its user.
        _exit(loaded ? 11 : !oneBox ? 12 : mesh.positions || mesh.positionCount ? 13 : 0);
    };
    EXPECT_EXIT(loadAsAnotherUser(), ::testing::ExitedWithCode(0), "App: Error opening .obj file");
    EXPECT_EQ(readTextFile(path), threeCornerExample);
}

TEST_F(ObjReader, LastLineWithoutANewlineIsReadOnce) {
    Mesh mesh;
    ASSERT_TRUE(load(mesh, "v 1 2 3\nv 4 5 6\nvt 0.5 0.5\nf 2/1/1 1/1/1 2/1/1"));
    EXPECT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(positionIndices(mesh), (Indices{1, 0, 1}));
    EXPECT_EQ(mesh.drawnCornerCount, 3);
    EXPECT_EQ(readTextFile(path), "v 1 2 3\nv 4 5 6\nvt 0.5 0.5\nf 2/1/1 1/1/1 2/1/1\n");

    Mesh positionLast;
    ASSERT_TRUE(load(positionLast, "vt 0 0\nv 7 8 9"));
    EXPECT_EQ(positionLast.positionCount, 1);
    EXPECT_EQ(positionLast.positions[0].z, 9.0f);
}

TEST_F(ObjReader, FaceWithFourCornersGivesTheTriangleOfItsFirstThree) {
    Mesh mesh;
    ASSERT_TRUE(load(mesh, "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                           "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                           "f 1/1/1 2/2/1 3/3/1 4/4/1\n"));
    EXPECT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(positionIndices(mesh), (Indices{0, 1, 2}));
    EXPECT_EQ(texCoordIndices(mesh), (Indices{0, 1, 2}));
    // A fourth position component and a third texture component are ignored too.
    ASSERT_TRUE(load(mesh, "v 1 2 3 4\nvt 0.5 0.25 0.125\n"));
    EXPECT_EQ(mesh.positions[0].z, 3.0f);
    EXPECT_EQ(mesh.texCoords[0].v, 0.25f);
}

TEST_F(ObjReader, PiecesCountByTheSubstringsTheyHoldWithPositionsFirst) {
    Mesh mesh;
    ASSERT_TRUE(load(mesh, "# made by hand\n"
                           "mtllib figure.mtl\n"
                           "o figure\n"
                           "g body\n"
                           "s 1\n"
                           "usemtl skin\n"
                           "vn 0 0 1\n"
                           "vn 0 1 0\n"
                           "vt 0.5 0.5\n"           // never a position
                           "v 1 1 1\n"              // slot 0
                           "# move v 9 9 9 aside\n" // slot 1, read as nothing
                           "v 2 2 2\n"              // slot 2
                           "v 3 3 3 f 1/1/1\n"      // slot 3, and not a face
                           "v 4 4 4 vt 1 1\n"       // slot 4, and not a texture coordinate
                           "# half of f ace\n"      // a face slot that converts nothing
                           "f 1/1/1 3/1/1 4/1/1\n"));
    EXPECT_EQ(mesh.positionCount, 5);
    EXPECT_EQ(mesh.texCoordCount, 1);
    EXPECT_EQ(mesh.faceCount, 2);
    EXPECT_EQ(mesh.positions[0].x, 1.0f);
    EXPECT_EQ(mesh.positions[1].x, 0.0f);
    EXPECT_EQ(mesh.positions[1].y, 0.0f);
    EXPECT_EQ(mesh.positions[1].z, 0.0f);
    EXPECT_EQ(mesh.positions[2].x, 2.0f);
    EXPECT_EQ(mesh.positions[3].z, 3.0f);
    EXPECT_EQ(mesh.positions[4].z, 4.0f);
    // The comment's face slot holds nothing the draw could send; the real face names slots 0, 2, 3.
    EXPECT_EQ(mesh.drawnCornerCount, 3);
    EXPECT_EQ(drawnPositionIndices(mesh), (Indices{0, 2, 3}));
    expectSafeToDraw(mesh);
}

TEST_F(ObjReader, LinesLongerThan79CharactersArriveAsPiecesClassifiedOnTheirOwn) {
    // 200 characters: "v ..." up to 79, then a piece that starts "vt ", then 42 without a keyword.
    std::string line = "v 1 2 3";
    line.resize(79, ' ');
    line += "vt 0.25 0.75";
    line.resize(158, ' ');
    line += std::string(41, 'x') + "\n";
    ASSERT_EQ(line.size(), 200u);
    Mesh mesh;
    ASSERT_TRUE(load(mesh, line + line));
    EXPECT_EQ(mesh.positionCount, 2);
    EXPECT_EQ(mesh.texCoordCount, 2);
    EXPECT_EQ(mesh.faceCount, 0);
    EXPECT_EQ(mesh.positions[1].y, 2.0f);
    EXPECT_EQ(mesh.texCoords[1].v, 0.75f);
}

TEST_F(ObjReader, FaceIndicesWithALeadingZeroAreOctalAndWith0xHexadecimal) {
    std::string contents;
    for (int i = 1; i <= 16; ++i) contents += "v " + std::to_string(i) + " 0 0\n";
    contents += "vt 0 0\nvt 1 1\nf 010/1/1 0x10/02/1 0X3/0x1/010\n";
    Mesh mesh;
    ASSERT_TRUE(load(mesh, contents));
    EXPECT_EQ(positionIndices(mesh), (Indices{7, 15, 2}));
    EXPECT_EQ(texCoordIndices(mesh), (Indices{0, 1, 0}));
    EXPECT_EQ(mesh.positions[7].x, 8.0f);
    EXPECT_EQ(mesh.drawnCornerCount, 3);
}

TEST_F(ObjReader, TrianglesNamingAnIndexOutsideTheirArraysAreLeftOutOfTheDraw) {
    Mesh mesh;
    ASSERT_TRUE(load(mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 1\n"
                           "f 1/1/1 2/2/1 3/1/1\n" // drawn first
                           "f 0/1/1 2/2/1 3/1/1\n" // position 0 in the file
                           "f 1/1/1 2/3/1 3/1/1\n" // texture coordinate beyond the count
                           "f 1/1/1 -1/1/1 3/1/1\n"
                           "f 1/1/1 2/2/1 4/1/1\n"
                           "f 1/1/1 2/1/1 3/-2147483648/1\n"
                           "f 1//1 2//1 3//1\n" // no texture coordinates: they stay 0
                           "f 1 2 3\n"
                           "f 3/2/1 2/1/1 1/2/1\n")); // drawn second
    EXPECT_EQ(mesh.faceCount, 9);
    EXPECT_EQ(mesh.cornerCount, 27);
    EXPECT_EQ(mesh.drawnCornerCount, 6);
    EXPECT_EQ(drawnPositionIndices(mesh), (Indices{0, 1, 2, 2, 1, 0}));
    EXPECT_EQ(drawnTexCoordIndices(mesh), (Indices{0, 1, 0, 1, 0, 1}));
    expectSafeToDraw(mesh);
}

TEST_F(ObjReader, EveryLoadAppendsALineEndAndASecondLoadReplacesTheFirst) {
    writeTextFile(path, threeCornerExample);
    Mesh first, second;
    ASSERT_TRUE(first.loadObj(path.c_str()));
    ASSERT_TRUE(second.loadObj(path.c_str()));
    EXPECT_EQ(readTextFile(path), std::string(threeCornerExample) + "\n\n");
    EXPECT_EQ(second.faceCount, 1);
    EXPECT_EQ(positionIndices(second), positionIndices(first));

    ASSERT_TRUE(load(first, "v 0 0 0\n"));
    EXPECT_EQ(first.positionCount, 1);
    EXPECT_EQ(first.faceCount, 0);
    expectSafeToDraw(first);
}

TEST_F(ObjReader, HostileFilesLoadSafely) {
    std::mt19937 random(4);
    std::string bytes(4 << 20, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    Mesh noise;
    EXPECT_TRUE(load(noise, bytes));
    expectSafeToDraw(noise);

    // Keywords, numbers in every base and sign, and junk, in lines of 200 characters.
    const char* const words[] = {"v ", "vt ",        "f ",          "/",  "1",
                                 "-7", "0x7fffffff", "010",         " ",  "3.5e38",
                                 "#",  "nan ",       "99999999999", "//", "\t"};
    std::string lines;
    for (int n = 0; n < 5000; ++n) {
        std::string line;
        while (line.size() < 199) line += words[random() % std::size(words)];
        line.resize(199);
        lines += line + "\n";
    }
    Mesh longLines;
    EXPECT_TRUE(load(longLines, lines));
    EXPECT_GT(longLines.faceCount, 0);
    expectSafeToDraw(longLines);
}

TEST_F(ObjReader, AHundredMegabyteFileLoads) {
    std::string block;
    for (int i = 0; block.size() < (1 << 20); ++i)
        block += "v 0." + std::to_string(i) + " 1 -2\nvt 0.5 0." + std::to_string(i) + "\nf " +
                 std::to_string(i + 1) + "/1/1 " + std::to_string(i) + "/2/2 1/" +
                 std::to_string(i) + "/3\n";
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        for (int i = 0; i < 100; ++i) std::fwrite(block.data(), 1, block.size(), file);
        std::fclose(file);
    }
    Mesh mesh;
    ASSERT_TRUE(mesh.loadObj(path.c_str()));
    EXPECT_GT(mesh.faceCount, 1000000);
    EXPECT_EQ(mesh.faceCount, mesh.positionCount);
    EXPECT_GT(mesh.drawnCornerCount, 0);
    expectSafeToDraw(mesh);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif

TEST_F(ObjReader, ArraysThatCannotBeHadLeaveTheMeshEmpty) {
    if (addressSanitizer)
        GTEST_SKIP() << "AddressSanitizer reserves its shadow memory beyond any address-space "
                        "limit, so the limit that makes the allocation fail cannot be set here";
    // 80 MB of face pieces want 640 MB of indices: more than the child is allowed.
    std::string block;
    for (int i = 0; i < (1 << 20); ++i) block += "f \n";
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        for (int i = 0; i < 27; ++i) std::fwrite(block.data(), 1, block.size(), file);
        std::fclose(file);
    }
    const auto loadUnderALimit = [&] {
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        // What the process has mapped now, plus room for everything but the arrays.
        std::FILE* status = std::fopen("/proc/self/statm", "r");
        unsigned long pages = 0;
        if (!status || std::fscanf(status, "%lu", &pages) != 1) _exit(10);
        std::fclose(status);
        limit.rlim_cur = pages * sysconf(_SC_PAGESIZE) + (256ul << 20);
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(11);
        Mesh mesh;
        const bool loaded = mesh.loadObj(path.c_str());
        if (loaded) _exit(12);
        if (!recorder.boxes().empty()) _exit(13);
        _exit(mesh.faceCount || mesh.positionIndex || mesh.cornerCount ? 14 : 0);
    };
    EXPECT_EXIT(loadUnderALimit(), ::testing::ExitedWithCode(0), "");
}

namespace {

struct SentCorner {
    float x, y, s, t;
    float r, g, b;
};

// What draw() sends, caught in feedback mode under identity matrices: one list of corners per
// triangle, positions back in the mesh's units.
std::vector<std::vector<SentCorner>> trianglesSentBy(const Mesh& mesh) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, 1024, 768);
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    mesh.draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<std::vector<SentCorner>> triangles;
    for (GLint i = 0; i < used;) {
        EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
        const int corners = static_cast<int>(buffer[i + 1]);
        EXPECT_EQ(corners, 3);
        i += 2;
        triangles.emplace_back();
        for (int c = 0; c < corners; ++c, i += 11) {
            const GLfloat* v = &buffer[i];
            triangles.back().push_back(
                {v[0] / 512 - 1, v[1] / 384 - 1, v[7] / v[10], v[8] / v[10], v[3], v[4], v[5]});
        }
    }
    return triangles;
}

} // namespace

TEST_F(ObjReader, DrawSendsEachKeptCornerAsTexCoordAndVertexInFileOrder) {
    openDemoWindow();
    Mesh mesh;
    ASSERT_TRUE(load(mesh, "v -0.5 -0.5 0\nv 0.5 -0.5 0\nv 0 0.5 0\nv 0.75 0.75 0\n"
                           "vt 0 0\nvt 1 0\nvt 0.5 1\nvt 0.25 0.75\n"
                           "f 1/1/1 2/2/1 3/3/1\n"
                           "f 4/4/1 5/1/1 3/3/1\n" // position 5 does not exist
                           "f 3/4/1 4/2/1 2/1/1\n"));
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glColor4f(0.25f, 0.5f, 0.75f, 1);
    const auto triangles = trianglesSentBy(mesh);
    ASSERT_EQ(triangles.size(), 2u);
    const float expected[2][3][4] = {
        {{-0.5f, -0.5f, 0, 0}, {0.5f, -0.5f, 1, 0}, {0, 0.5f, 0.5f, 1}},
        {{0, 0.5f, 0.25f, 0.75f}, {0.75f, 0.75f, 1, 0}, {0.5f, -0.5f, 0, 0}}};
    for (int t = 0; t < 2; ++t) {
        for (int c = 0; c < 3; ++c) {
            const SentCorner& sent = triangles[t][c];
            EXPECT_NEAR(sent.x, expected[t][c][0], 1e-3) << "triangle " << t << " corner " << c;
            EXPECT_NEAR(sent.y, expected[t][c][1], 1e-3) << "triangle " << t << " corner " << c;
            EXPECT_FLOAT_EQ(sent.s, expected[t][c][2]) << "triangle " << t << " corner " << c;
            EXPECT_FLOAT_EQ(sent.t, expected[t][c][3]) << "triangle " << t << " corner " << c;
            // The colour is the caller's: draw() sets none.
            EXPECT_FLOAT_EQ(sent.g, 0.5f);
        }
    }
    GLint polygonMode[2];
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_FILL);
    EXPECT_EQ(polygonMode[1], GL_FILL);

    // A mesh whose load failed sends no corner at all, and still sets fill.
    Mesh failed;
    EXPECT_FALSE(failed.loadObj("data/missing.obj"));
    glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
    EXPECT_TRUE(trianglesSentBy(failed).empty());
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_FILL);
    EXPECT_EQ(glGetError(), GL_NO_ERROR);
}
