#include "assets/Texture.h"

#include "GlTest.h"
#include "MessageRecorder.h"
#include "ScratchDirectory.h"
#include "TestPictures.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

struct TextureTest : ::testing::Test {
    ScratchDirectory scratch;
    MessageRecorder recorder;
    void SetUp() override { openDemoWindow(); }
};

// One level of the bound texture, texture row t = 0 first: at(x, y) counts y from the picture's
// top row.
Pixels readTextureLevel(int level) {
    Pixels pixels;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &pixels.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &pixels.height);
    pixels.rgb.resize(static_cast<size_t>(pixels.width) * pixels.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, pixels.rgb.data());
    return pixels;
}

GLuint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<GLuint>(name);
}

// Where the entropy-coded data of the first scan starts: right after the SOS segment.
size_t scanDataStart(const std::string& jpeg) {
    const size_t sos = jpeg.find("\xFF\xDA");
    const size_t length =
        static_cast<uint8_t>(jpeg[sos + 2]) << 8 | static_cast<uint8_t>(jpeg[sos + 3]);
    return sos + 2 + length;
}

// The same file with its SOF0 header claiming another size.
std::string withClaimedSize(std::string jpeg, int width, int height) {
    const size_t sof = jpeg.find("\xFF\xC0");
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

} // namespace

TEST_F(TextureTest, EachFailureShowsItsOneMessageAndLeavesEverythingAlone) {
    ASSERT_TRUE(writeQuadrantJpeg("whole.jpg", 128, 128));
    const std::string whole = readTextFile("whole.jpg");
    const size_t scan = scanDataStart(whole);
    ASSERT_GT(whole.size(), scan + 200);
    const size_t middle = (scan + whole.size()) / 2;

    std::string endMarkerInScan = whole;
    endMarkerInScan.replace(middle, 2, "\xFF\xD9");
    // Sixteen and more 1 bits in a row are no Huffman code of any table (0xFF is stuffed as FF 00).
    std::string onesInScan = whole;
    for (size_t i = middle; i < middle + 40; i += 2)
        onesInScan.replace(i, 2, std::string("\xFF\x00", 2));

    struct Case {
        const char* what;
        const char* fileName;
        std::string contents; // written unless empty
        const char* text;
        const char* caption;
    };
    const Case cases[] = {
        {"missing", "data/missing.jpg", "", "Read params error!", "Error"},
        {"a directory", "data", "", "Read params error!", "Error"},
        {"empty", "data/empty.jpg", "", "Read params error!", "Error"},
        {"not a JPEG", "data/text.jpg", std::string(4000, 'x'), "Read params error!", "Error"},
        {"cut inside its header", "data/header.jpg", whole.substr(0, 100), "Read params error!",
         "Error"},
        {"cut in its image data", "data/half.jpg", whole.substr(0, middle), "Last error!",
         "Image Load Error"},
        {"cut right after its image data", "data/noend.jpg", whole.substr(0, whole.size() - 2),
         "Last error!", "Image Load Error"},
        {"an end marker in its image data", "data/marker.jpg", endMarkerInScan, "Last error!",
         "Image Load Error"},
        {"a bad Huffman code", "data/ones.jpg", onesInScan, "Last error!", "Image Load Error"},
        {"a header claiming 65500 x 65500", "data/huge.jpg", withClaimedSize(whole, 65500, 65500),
         "Last error!", "Image Load Error"},
    };
    writeTextFile("data/empty.jpg", "");

    // A texture bound before: a failed load makes no GL call, so it stays bound.
    GLuint before = 0;
    glGenTextures(1, &before);
    glBindTexture(GL_TEXTURE_2D, before);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.contents.empty()) writeTextFile(c.fileName, c.contents);
        const size_t shown = recorder.boxes().size();
        Texture texture;
        texture.loadJpeg(c.fileName);
        EXPECT_EQ(texture.name, 0u);
        ASSERT_EQ(recorder.boxes().size(), shown + 1);
        EXPECT_EQ(recorder.boxes().back().text, c.text);
        EXPECT_EQ(recorder.boxes().back().caption, c.caption);
        EXPECT_EQ(boundTexture(), before);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    // And the demo goes on: the next good file loads.
    Texture texture;
    texture.loadJpeg("whole.jpg");
    EXPECT_NE(texture.name, 0u);
    EXPECT_EQ(recorder.boxes().size(), std::size(cases));
}

TEST_F(TextureTest, DecodedPictureBecomesABoundMipmappedClampedTexture) {
    ASSERT_TRUE(writeQuadrantJpeg("data/quadrants.jpg", 256, 64));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    Texture first, second;
    first.loadJpeg("data/quadrants.jpg");
    second.loadJpeg("data/quadrants.jpg");
    EXPECT_TRUE(recorder.boxes().empty());
    EXPECT_NE(first.name, 0u);
    EXPECT_NE(second.name, 0u);
    EXPECT_NE(first.name, second.name);
    EXPECT_EQ(boundTexture(), second.name);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8);

    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_CLAMP_TO_EDGE);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_CLAMP_TO_EDGE);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR_MIPMAP_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    // 256 x 64 down to 1 x 1: nine levels.
    for (int level = 0; level <= 8; ++level) {
        SCOPED_TRACE(level);
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(width, 256 >> level);
        EXPECT_EQ(height, std::max(1, 64 >> level));
    }
}

TEST_F(TextureTest, OddWidthReadsBackWithoutShear) {
    // 903-byte rows: at the default unpack alignment each row would start one byte further off.
    ASSERT_TRUE(writeQuadrantJpeg("data/odd.jpg", 301, 97));
    Texture texture;
    texture.loadJpeg("data/odd.jpg");
    ASSERT_NE(texture.name, 0u);
    const Pixels level0 = readTextureLevel(0); // scaled to powers of two on the way in
    ASSERT_EQ(level0.width, 256);
    int wrong = 0;
    for (int y = 0; y < level0.height; ++y) {
        if (std::abs(y - level0.height / 2) <= level0.height / 16) continue; // the blurred seam
        const bool bottom = y > level0.height / 2;
        const Rgb left = bottom ? Rgb{0, 0, 255} : Rgb{255, 0, 0};
        const Rgb right = bottom ? Rgb{255, 255, 255} : Rgb{0, 255, 0};
        for (int x : {2, 60, 115}) wrong += !near(level0.at(x, y), left, 8);
        for (int x : {140, 200, 253}) wrong += !near(level0.at(x, y), right, 8);
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(TextureTest, GreyscaleAndCmykPicturesLoadInTheirColours) {
    std::vector<uint8_t> grey(64 * 64);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = i % 64 < 32 ? 50 : 200;
    ASSERT_TRUE(writeJpeg("data/grey.jpg", 64, 64, grey, JpegKind::Greyscale));
    Texture greyTexture;
    greyTexture.loadJpeg("data/grey.jpg");
    ASSERT_NE(greyTexture.name, 0u);
    Pixels level0 = readTextureLevel(0);
    EXPECT_TRUE(near(level0.at(10, 30), {50, 50, 50}, 3));
    EXPECT_TRUE(near(level0.at(50, 30), {200, 200, 200}, 3));

    // Inverted CMYK, as Adobe and TurboJPEG store it: 255 is no ink.
    struct Quadrant {
        uint8_t cmyk[4];
        Rgb rgb;
    };
    const Quadrant quadrants[4] = {
        {{255, 0, 0, 255}, {255, 0, 0}},         // top-left: magenta and yellow ink, red
        {{0, 0, 255, 255}, {0, 0, 255}},         // top-right: blue
        {{255, 255, 255, 128}, {128, 128, 128}}, // bottom-left: half black, grey
        {{255, 128, 0, 255}, {255, 128, 0}},     // bottom-right: orange
    };
    std::vector<uint8_t> cmyk(64 * 64 * 4);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            for (int c = 0; c < 4; ++c)
                cmyk[(y * 64 + x) * 4 + c] = quadrants[(y >= 32) * 2 + (x >= 32)].cmyk[c];
    ASSERT_TRUE(writeJpeg("data/cmyk.jpg", 64, 64, cmyk, JpegKind::Cmyk));
    Texture cmykTexture;
    cmykTexture.loadJpeg("data/cmyk.jpg");
    ASSERT_NE(cmykTexture.name, 0u);
    level0 = readTextureLevel(0);
    EXPECT_TRUE(near(level0.at(10, 10), quadrants[0].rgb, 4));
    EXPECT_TRUE(near(level0.at(50, 10), quadrants[1].rgb, 4));
    EXPECT_TRUE(near(level0.at(10, 50), quadrants[2].rgb, 4));
    EXPECT_TRUE(near(level0.at(50, 50), quadrants[3].rgb, 4));
    EXPECT_TRUE(recorder.boxes().empty());
}
