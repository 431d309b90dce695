#include "DataSet.h"
#include "Meshes.h"

#include "app/Frame.h"
#include "app/Timeline.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "audio/Music.h"
#include "platform/DisplaySettings.h"

#include "GlTest.h"
#include "MessageRecorder.h"
#include "RunCommand.h"
#include "ScratchDirectory.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The files the demo reads, named as its scenes and its music player name them.
const char* const pictureNames[] = {"city_bw.jpg",  "city_bw1.jpg", "logo1.jpg",    "texture3.jpg",
                                    "texture5.jpg", "texture6.jpg", "texture7.jpg", "credits.jpg"};
const char* const meshNames[] = {"sphere1.obj", "sphere2.obj", "star.obj", "figure.obj",
                                 "inside.obj"};

const DataFile& dataFile(const std::string& name) {
    for (const DataFile& file : defaultDataSet())
        if (name == file.name) return file;
    ADD_FAILURE() << "make-data has no " << name;
    std::abort();
}

bool writeDataFile(const std::string& name) {
    return dataFile(name).write("data/" + name);
}

// A picture decoded by the demo's own decoder, freed with the object.
struct Decoded {
    RgbPicture picture;
    explicit Decoded(const std::string& path) {
        EXPECT_TRUE(decodeJpegFile(path.c_str(), picture));
    }
    ~Decoded() { freeRgbPicture(picture); }
    const uint8_t* at(int x, int y) const {
        return picture.pixels + (static_cast<size_t>(y) * picture.width + x) * 3;
    }
    double meanLevel() const {
        double sum = 0;
        const size_t bytes = static_cast<size_t>(picture.width) * picture.height * 3;
        for (size_t i = 0; i < bytes; ++i) sum += picture.pixels[i];
        return sum / bytes;
    }
};

int channelDifference(const uint8_t* a, const uint8_t* b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

// The mean difference between two columns (or rows) of a picture.
double lineDifference(const Decoded& d, int first, int second, bool columns) {
    const int length = columns ? d.picture.height : d.picture.width;
    double sum = 0;
    for (int i = 0; i < length; ++i)
        sum += columns ? channelDifference(d.at(first, i), d.at(second, i))
                       : channelDifference(d.at(i, first), d.at(i, second));
    return sum / length;
}

struct DefaultData : ::testing::Test {
    ScratchDirectory scratch;
    MessageRecorder recorder;
};

} // namespace

TEST_F(DefaultData, MakeDataWritesEveryMissingFileAndLeavesTheOthersAlone) {
    const std::string makeData = std::string(DEMO_MAKE_DATA_PATH) + " data";
    ASSERT_EQ(runCommand(makeData).status, 0);
    std::vector<std::string> names(std::begin(pictureNames), std::end(pictureNames));
    names.insert(names.end(), std::begin(meshNames), std::end(meshNames));
    names.push_back("music.ogg");
    ASSERT_EQ(defaultDataSet().size(), names.size());
    for (const std::string& name : names)
        EXPECT_GT(readTextFile("data/" + name).size(), 1000u) << name;

    const std::string star = readTextFile("data/star.obj");
    writeTextFile("data/logo1.jpg", "someone else's logo");
    ASSERT_EQ(std::remove("data/star.obj"), 0);
    const CommandResult again = runCommand(makeData);
    ASSERT_EQ(again.status, 0);
    EXPECT_EQ(countLines(again.output), 1) << again.output; // only the star was missing
    EXPECT_EQ(readTextFile("data/logo1.jpg"), "someone else's logo");
    EXPECT_EQ(readTextFile("data/star.obj"), star);
}

TEST_F(DefaultData, EveryFileComesOutTheSameOnEveryRun) {
    for (const DataFile& file : defaultDataSet()) {
        const std::string first = std::string("data/first-") + file.name;
        const std::string second = std::string("data/second-") + file.name;
        ASSERT_TRUE(file.write(first)) << file.name;
        ASSERT_TRUE(file.write(second)) << file.name;
        EXPECT_TRUE(readTextFile(first) == readTextFile(second)) << file.name;
    }
}

TEST_F(DefaultData, EveryPictureLoadsThroughTheDemosTextureLoader) {
    openDemoWindow();
    for (const char* name : pictureNames) {
        ASSERT_TRUE(writeDataFile(name)) << name;
        Texture texture;
        texture.loadJpeg((std::string("data/") + name).c_str());
        EXPECT_NE(texture.name, 0u) << name;
    }
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(DefaultData, PicturesHaveTheSizesTheirUsesWant) {
    struct Size {
        const char* name;
        int width, height;
    };
    // The banner strip is ten times as wide as high; textures are powers of two, so GLU need not
    // rescale them at every start; the full-window pictures match the window.
    const Size sizes[] = {{"city_bw.jpg", 4096, 512}, {"city_bw1.jpg", 4096, 512},
                          {"logo1.jpg", 1024, 768},   {"credits.jpg", 1024, 768},
                          {"texture3.jpg", 512, 512}, {"texture5.jpg", 512, 512},
                          {"texture6.jpg", 512, 512}, {"texture7.jpg", 512, 512}};
    for (const Size& size : sizes) {
        ASSERT_TRUE(writeDataFile(size.name));
        const Decoded decoded(std::string("data/") + size.name);
        EXPECT_EQ(decoded.picture.width, size.width) << size.name;
        EXPECT_EQ(decoded.picture.height, size.height) << size.name;
    }
}

TEST_F(DefaultData, TheCalmCityIsDarkGreyAndTheLoudOneBright) {
    // Every scene is added on top of the calm picture, so it must leave them room; the loud one
    // stands for the beat.
    ASSERT_TRUE(writeDataFile("city_bw.jpg"));
    ASSERT_TRUE(writeDataFile("city_bw1.jpg"));
    const Decoded calm("data/city_bw.jpg"), loud("data/city_bw1.jpg");
    EXPECT_LT(calm.meanLevel(), 0.1 * 255);
    EXPECT_GT(loud.meanLevel(), 0.5 * 255);
    for (const Decoded* city : {&calm, &loud}) {
        int coloured = 0;
        for (int y = 0; y < city->picture.height; y += 3) {
            for (int x = 0; x < city->picture.width; x += 3) {
                const uint8_t* p = city->at(x, y);
                coloured += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 6;
            }
        }
        EXPECT_EQ(coloured, 0) << "black and white";
    }
}

TEST_F(DefaultData, TheLogoLeavesMostOfTheWindowBlack) {
    // Black adds nothing over the intro's spheres and the banner.
    ASSERT_TRUE(writeDataFile("logo1.jpg"));
    const Decoded logo("data/logo1.jpg");
    int dark = 0, bright = 0;
    for (int y = 0; y < logo.picture.height; ++y) {
        for (int x = 0; x < logo.picture.width; ++x) {
            const uint8_t* p = logo.at(x, y);
            const int level = std::max({p[0], p[1], p[2]});
            dark += level < 12;
            bright += level > 128;
        }
    }
    const int pixels = logo.picture.width * logo.picture.height;
    EXPECT_GT(dark, pixels * 8 / 10);
    EXPECT_GT(bright, pixels / 100);
}

TEST_F(DefaultData, SurfaceTexturesTileWithoutASeam) {
    // Across the join from the last column to the first, a tiling texture changes no more than it
    // does between neighbouring columns inside it; the same for rows.
    for (const char* name : {"texture3.jpg", "texture5.jpg", "texture6.jpg", "texture7.jpg"}) {
        ASSERT_TRUE(writeDataFile(name));
        const Decoded texture(std::string("data/") + name);
        for (const bool columns : {true, false}) {
            const int last = (columns ? texture.picture.width : texture.picture.height) - 1;
            double inside = 0;
            for (int i = 0; i < last; ++i) inside += lineDifference(texture, i, i + 1, columns);
            inside /= last;
            EXPECT_LT(lineDifference(texture, last, 0, columns), 2 * inside + 3)
                << name << (columns ? " left to right" : " top to bottom");
        }
    }
}

TEST_F(DefaultData, EveryMeshLoadsWholeThroughTheDemosReader) {
    struct Made {
        const char* name;
        TriangleMesh (*make)();
    };
    const Made meshes[] = {{"sphere1.obj", makeChainSphere},
                           {"sphere2.obj", makeTiledBall},
                           {"star.obj", makeStar},
                           {"figure.obj", makeKnot},
                           {"inside.obj", makeTunnel}};
    ASSERT_EQ(std::size(meshes), std::size(meshNames));
    for (const Made& made : meshes) {
        const TriangleMesh expected = made.make();
        const std::string path = std::string("data/") + made.name;
        ASSERT_TRUE(writeDataFile(made.name));
        // Nothing but v, vt, vn and f lines: anything else could take a slot by its text.
        std::istringstream lines(readTextFile(path));
        for (std::string line; std::getline(lines, line);) {
            const std::string keyword = line.substr(0, line.find(' '));
            ASSERT_TRUE(keyword == "v" || keyword == "vt" || keyword == "vn" || keyword == "f")
                << made.name << ": " << line;
            ASSERT_LT(line.size(), 79u) << made.name << ": " << line;
        }

        Mesh mesh;
        ASSERT_TRUE(mesh.loadObj(path.c_str())) << made.name;
        // Every line classified as written, and no triangle set aside for an index outside.
        EXPECT_EQ(mesh.positionCount, static_cast<int>(expected.positions.size())) << made.name;
        EXPECT_EQ(mesh.texCoordCount, static_cast<int>(expected.texCoords.size())) << made.name;
        EXPECT_EQ(mesh.faceCount, static_cast<int>(expected.triangles.size())) << made.name;
        EXPECT_EQ(mesh.drawnCornerCount, mesh.cornerCount) << made.name;
        EXPECT_LT(mesh.faceCount, 40000) << made.name;
        for (int i = 0; i < mesh.texCoordCount; ++i) {
            EXPECT_TRUE(mesh.texCoords[i].u >= 0 && mesh.texCoords[i].u <= 1) << made.name;
            EXPECT_TRUE(mesh.texCoords[i].v >= 0 && mesh.texCoords[i].v <= 1) << made.name;
        }
        const TriangleMesh::Corner& corner = expected.triangles.back()[2];
        const Vec3 read = mesh.positions[mesh.positionIndex[mesh.cornerCount - 1]];
        EXPECT_NEAR(read.x, expected.positions[corner.position].x, 1e-5) << made.name;
        EXPECT_NEAR(read.y, expected.positions[corner.position].y, 1e-5) << made.name;
        EXPECT_NEAR(read.z, expected.positions[corner.position].z, 1e-5) << made.name;
    }
    EXPECT_TRUE(recorder.boxes().empty());
}

namespace {

// The banner alone at this instant, as the frame would draw it before any other scene.
Pixels bannerAlone(int32_t ms) {
    beginFrame(ms);
    const ScheduleRow& banner = schedule[0];
    if (inWindow(ms, banner.window)) banner.draw(progress(ms, banner.window));
    return readWindowPixels();
}

} // namespace

TEST_F(DefaultData, EveryScheduledSceneShowsClearlyOverTheBanner) {
    // The meshes are sized for their cameras: a mesh lost behind the banner's depth, cut by the
    // near plane or drawn too small would leave the frame close to the banner alone. The
    // smallest shots (the star and the knot at the end of theirs) change about 5 % of the window.
    openDemoWindow();
    for (const DataFile& file : defaultDataSet()) {
        if (std::string(file.name) != "music.ogg") {
            ASSERT_TRUE(file.write(std::string("data/") + file.name));
        }
    }
    setInitialGlState();
    loadScenes();
    ASSERT_TRUE(recorder.boxes().empty());
    pinSpectrumLevel(0.5f); // a calm passage: the banner stays at its base depth

    struct Instant {
        const char* scene;
        int32_t ms;
    };
    // Each shot where its mesh is smallest, and the figure where its camera is nearest.
    const Instant instants[] = {{"intro", 4000},    {"figure", 15000}, {"figure", 25000},
                                {"inside", 45000},  {"sphere", 59000}, {"star", 101000},
                                {"credits", 134000}};
    for (const Instant& instant : instants) {
        primeFrameState(instant.ms);
        drawFrame(instant.ms);
        const Pixels frame = readWindowPixels();
        const Pixels banner = bannerAlone(instant.ms);
        int changed = 0;
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                changed += !near(frame.at(x, y), banner.at(x, y), 40);
        EXPECT_GT(changed, frame.width * frame.height / 25)
            << instant.scene << " at " << instant.ms << " ms";
    }
}
