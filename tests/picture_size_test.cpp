// The demo's 1024 x 768 picture on drawables and in captures of other sizes.
#include "OutputFrame.h"
#include "PngFile.h"
#include "platform/PictureArea.h"

#include "GlTest.h"
#include "MessageRecorder.h"
#include "RunCommand.h"
#include "ScratchDirectory.h"
#include "app/Frame.h"
#include "audio/Music.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>

// Beside PixelRect, where gtest's lookup finds them.
static bool operator==(const PixelRect& a, const PixelRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

static std::ostream& operator<<(std::ostream& out, const PixelRect& r) {
    return out << r.width << " x " << r.height << " at (" << r.x << ", " << r.y << ")";
}

TEST(PictureArea, TheLargestCentredRectangleOfTheDemosShape) {
    const std::vector<std::pair<PixelSize, PixelRect>> cases = {
        {{1024, 768}, {0, 0, 1024, 768}},     // the demo's own size: all of it
        {{2048, 1536}, {0, 0, 2048, 1536}},   // twice as sharp
        {{1920, 1080}, {240, 0, 1440, 1080}}, // 16:9: bars at the sides
        {{2560, 1440}, {320, 0, 1920, 1440}}, //
        {{3840, 2160}, {480, 0, 2880, 2160}}, //
        {{1366, 768}, {171, 0, 1024, 768}},   // an odd margin: the extra column on the right
        {{1080, 1920}, {0, 555, 1080, 810}},  // a phone upright: bars above and below
        {{1280, 1024}, {0, 32, 1280, 960}},   // 5:4
        {{1441, 1081}, {0, 0, 1441, 1080}},   // never a pixel over
        {{1, 1}, {0, 0, 1, 0}},               // too small to hold a row
        {{0, 0}, {0, 0, 0, 0}},               // a minimised window
        {{-5, 100}, {0, 50, 0, 0}},           // nonsense stays inside
    };
    for (const auto& [drawable, expected] : cases)
        EXPECT_EQ(fitPicture(drawable), expected)
            << "in " << drawable.width << " x " << drawable.height;
}

TEST(OutputFrame, AveragesBlocksAndPlacesThePictureBetweenBars) {
    // Two output pixels from 2 x 2 blocks: 0, 1, 2, 3 average to 1.5, rounded up to 2.
    const std::vector<uint8_t> rendered = {0, 10, 255, 1, 10, 255, 7, 20, 0, 9, 20, 0,
                                           2, 10, 255, 3, 11, 255, 7, 20, 0, 9, 21, 0};
    uint8_t averaged[6] = {};
    averageBlocks(rendered.data(), 2, 1, 2, averaged);
    EXPECT_EQ(std::vector<uint8_t>(averaged, averaged + 6),
              (std::vector<uint8_t>{2, 10, 255, 8, 20, 0}));

    // A 2 x 1 picture at (1, 1) from the bottom of a 4 x 3 frame: the middle row.
    const uint8_t picture[6] = {1, 2, 3, 4, 5, 6};
    const uint8_t grey[3] = {9, 9, 9};
    std::vector<uint8_t> frame(4 * 3 * 3, 0);
    placePicture(picture, PixelRect{1, 1, 2, 1}, PixelSize{4, 3}, grey, frame.data());
    const std::vector<uint8_t> expected = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, //
                                           9, 9, 9, 1, 2, 3, 4, 5, 6, 9, 9, 9, //
                                           9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(frame, expected);
    // One row of bar above, none below: the picture sits on row 0 from the bottom.
    placePicture(picture, PixelRect{0, 0, 2, 1}, PixelSize{2, 2}, grey, frame.data());
    EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 12),
              (std::vector<uint8_t>{9, 9, 9, 9, 9, 9, 1, 2, 3, 4, 5, 6}));
}

namespace {

std::string capture(const std::string& arguments) {
    return std::string(DEMO_CAPTURE_PATH) + " --quiet " + arguments;
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

RgbImage captureFrame(int ms, const std::string& extra = "") {
    const std::string file =
        "at-" + std::to_string(ms) + "-" + std::to_string(std::rand()) + ".png";
    const CommandResult run =
        runCommand(capture("--at " + std::to_string(ms) + " " + extra + " -o " + file));
    EXPECT_EQ(run.status, 0) << run.output;
    RgbImage image;
    EXPECT_TRUE(readPng(file, image)) << file;
    return image;
}

RgbImage halve(const RgbImage& image) {
    RgbImage half{image.width / 2, image.height / 2, {}};
    half.rgb.resize(static_cast<size_t>(half.width) * half.height * 3);
    averageBlocks(image.rgb.data(), half.width, half.height, 2, half.rgb.data());
    return half;
}

// Bilinear, with pixel centres where a scaler puts them: what a player shows of a smaller frame.
// Doubling, each new pixel weighs its two nearest source pixels along each axis 3:1.
RgbImage doubleBilinear(const RgbImage& image) {
    const int w = image.width, h = image.height;
    // Along x first: each row to twice its width, in sixteenths kept as integers.
    std::vector<int> wide(static_cast<size_t>(2 * w) * h * 3);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = &image.rgb[static_cast<size_t>(y) * w * 3];
        int* out = &wide[static_cast<size_t>(y) * 2 * w * 3];
        for (int x = 0; x < w; ++x) {
            const int left = std::max(x - 1, 0) * 3, right = std::min(x + 1, w - 1) * 3;
            for (int c = 0; c < 3; ++c) {
                out[(2 * x) * 3 + c] = 3 * row[x * 3 + c] + row[left + c];
                out[(2 * x + 1) * 3 + c] = 3 * row[x * 3 + c] + row[right + c];
            }
        }
    }
    RgbImage big{2 * w, 2 * h, {}};
    big.rgb.resize(static_cast<size_t>(big.width) * big.height * 3);
    const size_t rowSize = static_cast<size_t>(big.width) * 3;
    for (int y = 0; y < h; ++y) {
        const int* here = &wide[y * rowSize];
        const int* above = &wide[std::max(y - 1, 0) * rowSize];
        const int* below = &wide[std::min(y + 1, h - 1) * rowSize];
        uint8_t* top = &big.rgb[(2 * y) * rowSize];
        uint8_t* bottom = top + rowSize;
        for (size_t i = 0; i < rowSize; ++i) {
            top[i] = static_cast<uint8_t>((3 * here[i] + above[i] + 8) / 16);
            bottom[i] = static_cast<uint8_t>((3 * here[i] + below[i] + 8) / 16);
        }
    }
    return big;
}

double psnr(const RgbImage& a, const RgbImage& b) {
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = double(a.rgb[i]) - b.rgb[i];
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(a.rgb.size());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// Detail: the mean absolute difference between horizontal and vertical neighbours, over all
// channels. Scaling a picture up spreads its edges and lowers this; drawing at the larger size
// keeps them crisp.
double meanGradient(const RgbImage& image) {
    double sum = 0;
    const size_t row = static_cast<size_t>(image.width) * 3;
    for (int y = 0; y + 1 < image.height; ++y)
        for (size_t i = 0; i + 3 < row; ++i) {
            const size_t p = y * row + i;
            sum += std::abs(image.rgb[p + 3] - image.rgb[p]) +
                   std::abs(image.rgb[p + row] - image.rgb[p]);
        }
    return sum / (double(image.width - 1) * (image.height - 1) * 3);
}

RgbImage crop(const RgbImage& image, int left, int top, int width, int height) {
    RgbImage part{width, height, {}};
    for (int y = 0; y < height; ++y) {
        const auto* start = &image.rgb[(static_cast<size_t>(top + y) * image.width + left) * 3];
        part.rgb.insert(part.rgb.end(), start, start + width * 3);
    }
    return part;
}

// The largest channel value in columns [left, left + width) of every row.
int brightestIn(const RgbImage& image, int left, int width) {
    const RgbImage part = crop(image, left, 0, width, image.height);
    return *std::max_element(part.rgb.begin(), part.rgb.end());
}

double meanValue(const RgbImage& image) {
    double sum = 0;
    for (uint8_t v : image.rgb) sum += v;
    return sum / static_cast<double>(image.rgb.size());
}

// A scratch directory with the default data, as the demo would find it.
struct SizedCapture : ::testing::Test {
    ScratchDirectory scratch;
    void SetUp() override {
        ASSERT_EQ(runCommand(std::string(DEMO_MAKE_DATA_PATH) + " data").status, 0);
    }
};

} // namespace

TEST_F(SizedCapture, TheDefaultSizeWritesTheSameBytesAsNoSize) {
    for (const std::string what : {"--at 20000 -o", "--from 46000 --to 46100 -o"}) {
        const std::string extension = what[2] == 'a' ? ".png" : ".yuv";
        ASSERT_EQ(runCommand(capture(what + " plain" + extension)).status, 0);
        ASSERT_EQ(runCommand(capture("--size 1024x768 " + what + " sized" + extension)).status, 0);
        const std::string plain = readTextFile("plain" + extension);
        EXPECT_GT(plain.size(), 100000u);
        EXPECT_TRUE(plain == readTextFile("sized" + extension)) << what;
    }
}

// Twice the pixels each way, averaged back down, is the same picture as the 1024 x 768 one and
// no other: PSNR at least 26 dB against its own instant, and at least 8 dB less against the next
// shot's. Drawn at the size rather than scaled up to it, each has at least 1.15 times the mean
// gradient of the 1024 x 768 frame doubled bilinearly; an upscaled picture scores about 1.0.
TEST_F(SizedCapture, TwiceTheSizeIsTheSamePictureWithMoreDetail) {
    struct Instant {
        int ms;
        const char* shot;
    };
    const Instant instants[] = {
        {6000, "intro"}, {20000, "figure"}, {31000, "inside"}, {53000, "sphere"}, {87500, "star"}};
    std::vector<RgbImage> small, big;
    for (const Instant& instant : instants) {
        small.push_back(captureFrame(instant.ms));
        big.push_back(captureFrame(instant.ms, "--size 2048x1536"));
        ASSERT_EQ(big.back().width, 2048);
        ASSERT_EQ(big.back().height, 1536);
    }
    const size_t count = small.size();
    for (size_t i = 0; i < count; ++i) {
        const RgbImage averaged = halve(big[i]);
        const double same = psnr(averaged, small[i]);
        const double other = psnr(averaged, small[(i + 1) % count]);
        const double detail = meanGradient(big[i]) / meanGradient(doubleBilinear(small[i]));
        std::printf("%-6s %6d ms: %.1f dB against its own, %.1f dB against the next; detail %.2f\n",
                    instants[i].shot, instants[i].ms, same, other, detail);
        EXPECT_GE(same, 26.0) << instants[i].shot;
        EXPECT_LE(other, same - 8.0) << instants[i].shot;
        EXPECT_GE(detail, 1.15) << instants[i].shot;
    }
}

TEST_F(SizedCapture, SupersamplingAveragesTheLargerFrame) {
    const RgbImage supersampled = captureFrame(31000, "--supersample 2");
    const RgbImage averaged = halve(captureFrame(31000, "--size 2048x1536"));
    ASSERT_EQ(supersampled.width, 1024);
    ASSERT_EQ(supersampled.height, 768);
    int largest = 0;
    for (size_t i = 0; i < averaged.rgb.size(); ++i)
        largest = std::max(largest, std::abs(averaged.rgb[i] - supersampled.rgb[i]));
    EXPECT_LE(largest, 1);
    // And it is not the plain frame.
    EXPECT_LT(psnr(supersampled, captureFrame(31000)), 60.0);
}

// On 16:9 the picture sits between two bars of 240 columns that nothing ever draws into, not even
// the banner's white picture on a loud beat or the credits, and it is the 1440 x 1080 frame.
TEST_F(SizedCapture, AWideFrameIsTheSamePictureBetweenBlackBars) {
    int loud = -1;
    {
        MessageRecorder recorder;
        ASSERT_TRUE(openMusicTrack());
        // A loud reading that brings the white picture without pulling it past the overlay.
        for (int ms = 13000; ms < 132500 && loud < 0; ms += 10) {
            pinSpectrumClock(ms);
            const float level = music.spectrumLevel();
            if (level > 1.5f && level < 3.0f) loud = ms;
        }
        followPlayback();
    }
    ASSERT_GE(loud, 0) << "no loud beat in the default track";
    const RgbImage calm = captureFrame(65000);
    for (const int ms : {loud, 134500}) {
        const RgbImage wide = captureFrame(ms, "--size 1920x1080");
        ASSERT_EQ(wide.width, 1920);
        ASSERT_EQ(wide.height, 1080);
        EXPECT_EQ(brightestIn(wide, 0, 240), 0) << ms;
        EXPECT_EQ(brightestIn(wide, 1680, 240), 0) << ms;
        const RgbImage middle = crop(wide, 240, 0, 1440, 1080);
        EXPECT_TRUE(middle.rgb == captureFrame(ms, "--size 1440x1080").rgb) << ms;
        if (ms == loud) {
            EXPECT_GT(meanValue(middle), 2 * meanValue(calm)) << "no white picture at " << ms;
        }
    }
}

TEST_F(SizedCapture, AVideoOfAnotherSizeHasItsFramesAndSound) {
    const CommandResult run =
        runCommand(capture("--size 1920x1080 --from 20000 --to 20500 -o hd.mp4"));
    ASSERT_EQ(run.status, 0) << run.output;
    const CommandResult probe = runCommand("ffprobe -v error -count_frames -show_entries "
                                           "stream=codec_type,width,height,nb_read_frames "
                                           "-of csv=p=0 hd.mp4");
    ASSERT_EQ(probe.status, 0) << probe.output;
    EXPECT_NE(probe.output.find("video,1920,1080,30"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("audio"), std::string::npos) << probe.output;
}

TEST_F(SizedCapture, SizesThatCannotBeDrawnSayWhyAndWriteNothing) {
    const char* const cases[] = {
        "--size 0x0 --at 100 -o f.png",
        "--size 12 --at 100 -o f.png",
        "--size 99999x99999 --at 100 -o f.png",
        "--size 1920x-1080 --at 100 -o f.png",
        "--size 1921x1080 --from 0 --to 100 -o f.mp4",
        "--size 1920x1079 --from 0 --to 100 -o f.yuv",
        "--supersample 5 --at 100 -o f.png",
        "--supersample 0 --at 100 -o f.png",
        // Within what the options take, beyond what this GL draws: llvmpipe stops at 16384.
        "--size 20000x15000 --from 0 --to 100 -o frames/",
        "--size 8192x6144 --supersample 4 --at 100 -o f.png",
    };
    for (const char* arguments : cases) {
        const CommandResult run = runCommand(capture(arguments));
        EXPECT_EQ(run.status, 2) << arguments << "\n" << run.output;
        EXPECT_EQ(countLines(run.output), 1) << arguments << "\n" << run.output;
        EXPECT_EQ(run.output.rfind("demo-capture: ", 0), 0u) << run.output;
    }
    EXPECT_FALSE(exists("f.png"));
    EXPECT_FALSE(exists("f.mp4"));
    EXPECT_FALSE(exists("f.yuv"));
    EXPECT_FALSE(exists("frames"));
    const std::string supersampled =
        runCommand(capture("--size 8192x6144 --supersample 4 --at 100 -o f.png")).output;
    EXPECT_NE(supersampled.find("supersampled 4 x 4"), std::string::npos) << supersampled;
}

// The live frame maps the demo's space through its viewport: on a drawable of another shape the
// picture fills the middle and the bars stay the clear colour, whatever was there before.
TEST(PictureOnTheWindow, AnotherShapeOfDrawableGetsThePictureBetweenBars) {
    openDemoWindow();
    ScratchDirectory scratch;
    ASSERT_EQ(runCommand(std::string(DEMO_MAKE_DATA_PATH) + " data").status, 0);
    MessageRecorder recorder;
    ASSERT_TRUE(openMusicTrack());
    setInitialGlState();
    loadScenes();
    // 1024 x 600 of the window: 800 x 600 of picture from x = 112.
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    setDrawableSize({1024, 600});
    primeFrameState(20000);
    pinSpectrumClock(20000);
    drawFrame(20000);
    setDrawableSize({1024, 768});
    followPlayback();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ((PixelRect{viewport[0], viewport[1], viewport[2], viewport[3]}),
              (PixelRect{112, 0, 800, 600}));

    const Pixels window = readWindowPixels();
    RgbImage middle{800, 600, {}};
    int barPixelsLit = 0;
    for (int y = 599; y >= 0; --y) {
        for (int x = 0; x < 1024; ++x) {
            const Rgb p = window.at(x, y);
            if (x < 112 || x >= 912) {
                barPixelsLit += !(p == Rgb{0, 0, 0});
                continue;
            }
            middle.rgb.insert(middle.rgb.end(), {uint8_t(p.r), uint8_t(p.g), uint8_t(p.b)});
        }
    }
    EXPECT_EQ(barPixelsLit, 0);
    // The same picture as a capture of that size, but for a few edges that the offset rounds the
    // other way.
    const RgbImage captured = captureFrame(20000, "--size 800x600");
    int differing = 0;
    for (size_t i = 0; i < middle.rgb.size(); i += 3)
        differing += std::abs(middle.rgb[i] - captured.rgb[i]) > 8 ||
                     std::abs(middle.rgb[i + 1] - captured.rgb[i + 1]) > 8 ||
                     std::abs(middle.rgb[i + 2] - captured.rgb[i + 2]) > 8;
    EXPECT_LE(differing, 800 * 600 / 1000) << differing << " pixels differ";
    EXPECT_GT(psnr(middle, captured), 40.0);
}
