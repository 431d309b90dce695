#include "app/Frame.h"
#include "app/Timeline.h"
#include "audio/Music.h"
#include "audio/ShowClock.h"
#include "scenes/FigureScene.h"

#include "GlTest.h"
#include "MessageRecorder.h"
#include "SceneData.h"
#include "ScratchDirectory.h"
#include "TestMatrices.h"
#include "TestPictures.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

// Every scene loaded from the test's own pictures and meshes, in a window of the demo's own.
struct Scenes : ::testing::Test {
    ScratchDirectory scratch;
    MessageRecorder recorder;

    void SetUp() override {
        openDemoWindow();
        ASSERT_TRUE(writeSceneData("data"));
        pinSpectrumLevel(0); // silence
    }
    void load() {
        setInitialGlState();
        loadScenes();
        EXPECT_TRUE(recorder.boxes().empty());
    }
};

void expectMatrixNear(const Matrix& actual, const Matrix& expected, double tolerance) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i << " (column-major)";
}

bool allPixelsAre(const Pixels& pixels, Rgb colour) {
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (!(pixels.at(x, y) == colour)) return false;
    return true;
}

const Rgb black{0, 0, 0};

} // namespace

TEST_F(Scenes, LoadingGivesEveryMeshOneLineEndAndTheStarTwo) {
    const std::string figure = readTextFile("data/figure.obj");
    const std::string star = readTextFile("data/star.obj");
    load();
    EXPECT_EQ(readTextFile("data/figure.obj"), figure + "\n");
    EXPECT_EQ(readTextFile("data/star.obj"), star + "\n\n");
    for (const char* name : {"data/inside.obj", "data/sphere1.obj", "data/sphere2.obj"})
        EXPECT_EQ(readTextFile(name).size(), readTextFile("data/figure.obj").size()) << name;
}

TEST_F(Scenes, MissingMeshesShowOneMessageForEveryLoadAndTheDemoDrawsOn) {
    std::remove("data/star.obj");
    std::remove("data/inside.obj");
    setInitialGlState();
    loadScenes();
    ASSERT_EQ(recorder.boxes().size(), 3u); // the star is loaded by two scenes
    for (const RecordedBox& box : recorder.boxes()) {
        EXPECT_EQ(box.text, "Error opening .obj file");
        EXPECT_EQ(box.caption, "App");
    }
    for (const int ms : {30000, 80000}) {
        drawFrame(ms);
        EXPECT_EQ(glGetError(), GL_NO_ERROR);
    }
}

// The eye and the turn at 20000 ms are worked out by hand from the figure shot's constants.
TEST_F(Scenes, FigureShotAt20000MsSeesTheMeshFromItsDriftingCamera) {
    const Point centre{0.1, 0.05, -0.05};
    writeTextFile("data/figure.obj", octahedronObj(0.01f, 0.1f, 0.05f, -0.05f));
    load();
    drawFrame(20000);
    const Matrix expected = cameraAtLookingAtOrigin({0.2105, -1.6970, 0.9776}) * scaling(4) *
                            rotation(45, {1, 0, 0}) * rotation(2.1212, {1, 1, 1});
    expectMatrixNear(currentModelview(), expected, 2e-3);

    const WindowPoint at = toWindow(demoProjection() * expected, centre);
    const Pixels pixels = readWindowPixels();
    const int x = static_cast<int>(at.x), y = static_cast<int>(at.y);
    ASSERT_TRUE(x > 40 && x < 1024 - 40 && y > 40 && y < 768 - 40) << x << ", " << y;
    const Rgb background = pixels.at(2, 2);
    EXPECT_FALSE(pixels.at(x, y) == background) << "no mesh at " << x << ", " << y;
    for (const auto& [dx, dy] : {std::pair{30, 0}, {-30, 0}, {0, 30}, {0, -30}})
        EXPECT_EQ(pixels.at(x + dx, y + dy), background) << "mesh beyond " << dx << ", " << dy;
}

// The figure scene alone, on an empty frame: at 13000 ms the intro's full-window logo would hide
// a wrongly drawn figure behind its depth.
TEST_F(Scenes, FigureSceneDrawsNothingAtTheBoundsOfItsTwoShots) {
    load();
    const TimeWindow row3{13000, 46000};
    const auto drawFigureSceneAlone = [&](int32_t ms) {
        drawFrame(132700); // no row active: cleared, with the frame's projection and identity
        elapsedMs = ms;
        FigureScene::draw(progress(ms, row3));
        return readWindowPixels();
    };
    for (const int ms : {13000, 26000, 46000})
        EXPECT_TRUE(allPixelsAre(drawFigureSceneAlone(ms), black)) << "something drawn at " << ms;
    for (const int ms : {13001, 25999, 26001, 45999})
        EXPECT_FALSE(drawFigureSceneAlone(ms).at(512, 384) == black) << "nothing drawn at " << ms;
}

TEST_F(Scenes, OrbitCamerasFollowTheirConstantsAndRowProgress) {
    load();
    const struct {
        int ms;
        Point eye;
        double turn;
    } shots[] = {
        // The inside shot goes on from the figure shot's path: p runs over the whole row.
        {26001, {0.383846, -3.151758, 0.923392}, 3.93970},
        {46000, {0, 0, 1}, 0}, // the sphere shot starts one unit out on z
        {60000, {0.198669, -1.6, 0.980067}, 10},
        {73000, {0, 0, 1}, 0},
        {102000, {0.327195, -2.666667, 0.944957}, 10},
    };
    for (const auto& shot : shots) {
        SCOPED_TRACE(shot.ms);
        drawFrame(shot.ms);
        expectMatrixNear(currentModelview(),
                         cameraAtLookingAtOrigin(shot.eye) * rotation(shot.turn, {1, 1, 1}), 1e-5);
        EXPECT_FALSE(readWindowPixels().at(512, 384) == black);
    }
}

// At 6500 ms the fade is 0.5. The banner is black, so it adds nothing but still lays down its
// depth; the logo is blue; the chain draws nothing.
TEST_F(Scenes, IntroSquareSpansItsPixelsAndStaysInFrontOfTheLogo) {
    writeSolidJpeg("data/city_bw.jpg", 16, 16, 0, 0, 0);
    writeSolidJpeg("data/logo1.jpg", 16, 16, 0, 0, 255);
    writeTextFile("data/sphere1.obj", "");
    load();
    const Rgb square{128, 128, 128}, logo{0, 0, 128};
    for (const float level : {0.0f, 1.0f}) {
        SCOPED_TRACE(level);
        pinSpectrumLevel(level);
        drawFrame(6500);
        const Pixels pixels = readWindowPixels();
        // Both edges drop 50 pixels per unit of level.
        const int drop = static_cast<int>(50 * level);
        const int left = 683, right = 882, bottom = 384 - drop, top = 583 - drop;
        for (const auto& [x, y] :
             {std::pair{left, bottom}, {right, top}, {left, top}, {780, 480 - drop}})
            EXPECT_TRUE(near(pixels.at(x, y), square, 3)) << x << ", " << y;
        for (const auto& [x, y] :
             {std::pair{left - 1, bottom}, {right + 1, top}, {left, bottom - 1}, {right, top + 1}})
            EXPECT_TRUE(near(pixels.at(x, y), logo, 3)) << x << ", " << y;
    }
}

// A frame at 80000 ms draws the banner (grey, alpha 0.5) and the star (orange, alpha 1) over it.
TEST_F(Scenes, FromTheIntrosFirstFrameOnBlendingAddsEveryLaterSceneToWhatLiesBehind) {
    // One layer of triangle around the origin, so that it adds its colour once.
    writeTextFile("data/star.obj", "v -0.3 -0.3 0\nv 0.3 -0.3 0\nv 0 0.4 0\nvt 0.5 0.5\n"
                                   "f 1/1/1 2/1/1 3/1/1\n");
    load();
    const Rgb banner{40, 40, 40}, star{200, 120, 0};
    drawFrame(80000);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    Pixels pixels = readWindowPixels();
    EXPECT_TRUE(near(pixels.at(5, 5), banner, 3));
    EXPECT_TRUE(near(pixels.at(512, 384), star, 3)) << "the star replaces the banner";

    for (const int ms : {0, 16, 12999, 20000, 30000, 50000, 65000, 132800, 134000, 80000}) {
        drawFrame(ms);
        GLint source = 0, destination = 0;
        glGetIntegerv(GL_BLEND_SRC, &source);
        glGetIntegerv(GL_BLEND_DST, &destination);
        EXPECT_TRUE(glIsEnabled(GL_BLEND)) << ms;
        EXPECT_EQ(source, GL_ONE) << ms;
        EXPECT_EQ(destination, GL_SRC_ALPHA) << ms;
    }
    pixels = readWindowPixels();
    EXPECT_TRUE(near(pixels.at(5, 5), banner, 3)) << "the banner over black looks the same";
    EXPECT_TRUE(near(pixels.at(512, 384), (Rgb{240, 160, 40}), 4)) << "the star adds to it";
}

// Above 4.0 the loud banner comes nearer than the near plane: neither its picture nor its depth
// is left, and the sphere chain, otherwise behind the banner's depth, shows. The logo is black.
TEST_F(Scenes, LoudReadingTakesTheBannerOutAndUncoversTheSphereChain) {
    writeSolidJpeg("data/logo1.jpg", 16, 16, 0, 0, 0);
    writeTextFile("data/sphere1.obj", octahedronObj(0.1f));
    load();
    // Where the first two spheres of the chain land: each eight of the previous one's units
    // further out, four times its size and turned 20 degrees more.
    const Matrix camera = cameraAtLookingAtOrigin({0, 0, -7});
    const Matrix link = translation(0, 0, 8) * scaling(4) * rotation(20, {1, 0, 1});
    const WindowPoint first = toWindow(demoProjection() * camera * link, {0, 0, 0});
    const WindowPoint second = toWindow(demoProjection() * camera * link * link, {0, 0, 0});
    const int firstX = static_cast<int>(first.x), firstY = static_cast<int>(first.y);
    const int secondX = static_cast<int>(second.x), secondY = static_cast<int>(second.y);
    ASSERT_GT(std::abs(secondY - firstY), 100) << "the test needs the spheres apart";

    pinSpectrumLevel(0);
    drawFrame(0);
    Pixels pixels = readWindowPixels();
    EXPECT_TRUE(near(pixels.at(firstX, firstY), (Rgb{40, 40, 40}), 3)) << "the banner hides it";
    EXPECT_TRUE(near(pixels.at(secondX, secondY), (Rgb{40, 40, 40}), 3));

    pinSpectrumLevel(4.5f);
    drawFrame(0);
    pixels = readWindowPixels();
    // Half-transparent, each sphere adds its nearer faces onto its farther ones: bright green.
    const auto showsSphere = [](Rgb rgb) { return rgb.r < 20 && rgb.g > 190 && rgb.b > 110; };
    EXPECT_TRUE(showsSphere(pixels.at(firstX, firstY)));
    EXPECT_TRUE(showsSphere(pixels.at(secondX, secondY)));
    EXPECT_EQ(pixels.at(firstX, (firstY + secondY) / 2), black);
    EXPECT_EQ(pixels.at(5, 5), black);

    // With only the banner in the frame, nothing at all is drawn.
    drawFrame(65000);
    EXPECT_TRUE(allPixelsAre(readWindowPixels(), black));
    pinSpectrumLevel(3.9f);
    drawFrame(65000);
    EXPECT_TRUE(near(readWindowPixels().at(5, 5), (Rgb{0, 0, 120}), 3)) << "the loud picture";
    EXPECT_EQ(glGetError(), GL_NO_ERROR) << "every push has its pop";
}
