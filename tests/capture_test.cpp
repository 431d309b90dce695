#include "CaptureOptions.h"
#include "ContactSheet.h"
#include "FrameTimes.h"
#include "PngFile.h"
#include "Progress.h"
#include "Yuv420.h"

#include "CaptureRun.h"
#include "GlTest.h"
#include "MessageRecorder.h"
#include "RunCommand.h"
#include "ScratchDirectory.h"
#include "TestTrack.h"
#include "app/Frame.h"
#include "audio/Music.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

TEST(FrameTimes, FrameInstantsAreRoundedMilliseconds) {
    EXPECT_EQ(instantOfFrame(0, 60), 0);
    EXPECT_EQ(instantOfFrame(1, 60), 17); // 16.67
    EXPECT_EQ(instantOfFrame(2, 60), 33); // 33.33
    EXPECT_EQ(instantOfFrame(3, 60), 50);
    EXPECT_EQ(instantOfFrame(8160, 60), 136000);
    EXPECT_EQ(instantOfFrame(1, 24), 42); // 41.67
    // A viewer's step: from a frame's instant to its neighbour, from between two to the nearer
    // one on that side; never stuck where rounding puts two frames a millisecond apart.
    EXPECT_EQ(frameStep(40800, 1, 60), 40817);
    EXPECT_EQ(frameStep(40817, -1, 60), 40800);
    EXPECT_EQ(frameStep(40810, 1, 60), 40817);
    EXPECT_EQ(frameStep(40810, -1, 60), 40800);
    EXPECT_EQ(frameStep(0, -1, 60), -17);
    for (int32_t ms = 0; ms < 2000; ++ms) {
        const int32_t next = frameStep(ms, 1, 60), previous = frameStep(ms, -1, 60);
        ASSERT_TRUE(ms < next && next - previous <= 34) << ms;
        const int32_t back = frameStep(next, -1, 60);
        ASSERT_TRUE(back == ms || back == previous) << ms;
    }
}

TEST(FrameTimes, RangesHoldTheFramesFromTheStartUpToTheEnd) {
    const FrameRange twoSeconds = framesBetween(0, 2000, 60);
    EXPECT_EQ(twoSeconds.first, 0);
    EXPECT_EQ(twoSeconds.count, 120);
    EXPECT_EQ(framesBetween(0, 136000, 60).count, 8160);
    // 1000, 1017, 1033, 1050, 1067, 1083: frames 60 to 65.
    const FrameRange tenth = framesBetween(1000, 1100, 60);
    EXPECT_EQ(tenth.first, 60);
    EXPECT_EQ(tenth.count, 6);
    // 1001 is not a frame instant: the first frame after it is 61, at 1017.
    EXPECT_EQ(framesBetween(1001, 1100, 60).first, 61);
    EXPECT_EQ(framesBetween(5, 10, 60).count, 0);
}

TEST(CaptureOptions, TheOutputsNameDecidesWhatIsWritten) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--at", "20000", "-o", "frame.png"}, options, error)) << error;
    EXPECT_EQ(options.kind, CaptureKind::SinglePicture);
    EXPECT_EQ(options.atMs, 20000);

    options = {};
    ASSERT_TRUE(parse({"-o", "demo.mp4"}, options, error)) << error;
    EXPECT_EQ(options.kind, CaptureKind::Video);
    EXPECT_EQ(options.fromMs, 0);
    EXPECT_EQ(options.toMs, 136000);
    EXPECT_EQ(options.fps, 60);

    options = {};
    ASSERT_TRUE(
        parse({"--from", "1000", "--to", "3000", "--fps", "30", "-o", "frames/"}, options, error));
    EXPECT_EQ(options.kind, CaptureKind::PictureSequence);
    EXPECT_EQ(options.fps, 30);

    options = {};
    ASSERT_TRUE(parse({"-o", "frames.yuv"}, options, error));
    EXPECT_EQ(options.kind, CaptureKind::RawVideo);

    options = {};
    ASSERT_TRUE(parse({"--sheet", "12", "-o", "sheet.png", "--quiet"}, options, error));
    EXPECT_EQ(options.kind, CaptureKind::ContactSheet);
    EXPECT_EQ(options.progress, CaptureOptions::Progress::Never);
    EXPECT_FALSE(options.strip);

    options = {};
    ASSERT_TRUE(parse({"--strip", "8", "--from", "19600", "--to", "20300", "-o", "strip.png"},
                      options, error));
    EXPECT_EQ(options.kind, CaptureKind::ContactSheet);
    EXPECT_TRUE(options.strip);
    EXPECT_EQ(options.sheetCount, 8);
}

TEST(CaptureOptions, RefusesWhatItCannotUse) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"--at", "100"},
        {"--at", "-5", "-o", "f.png"},
        {"--at", "12x", "-o", "f.png"},
        {"--at", "100", "-o", "f.mp4"},
        {"-o", "f.png"},
        {"--fps", "0", "-o", "v.mp4"},
        {"--from", "3000", "--to", "2000", "-o", "v.mp4"},
        {"--at", "5", "--from", "0", "-o", "f.png"},
        {"--sheet", "0", "-o", "s.png"},
        {"--strip", "4", "--sheet", "4", "-o", "s.png"},
        {"--strip", "4", "--gentle", "-o", "s.png"},
        {"--strip", "4", "-o", "s.mp4"},
        {"--speed", "2", "-o", "v.mp4"},
        {"-o", "video.avi"},
        {"-o"},
    };
    for (const auto& arguments : bad) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(parse(arguments, options, error)) << arguments.size();
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

// A log of a whole 136-second recording at 60 frames per second: ten whole lines, one per tenth.
TEST(Progress, IntoALogItWritesAWholeLineAtEveryTenth) {
    Progress progress;
    testing::internal::CaptureStderr();
    startProgress(progress, ProgressStyle::LogLines, 8160);
    for (int64_t done = 1; done <= 8160; ++done) showProgress(progress, done);
    endProgress(progress);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(log.find('\r'), std::string::npos);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), '\n');
    EXPECT_EQ(countLines(log), 10) << log;
    EXPECT_EQ(log.rfind("demo-capture: frame 816 of 8160, ", 0), 0u) << log;
    EXPECT_NE(log.find("\ndemo-capture: frame 8160 of 8160, "), std::string::npos) << log;

    // Off writes nothing at all.
    testing::internal::CaptureStderr();
    startProgress(progress, ProgressStyle::Off, 100);
    for (int64_t done = 1; done <= 100; ++done) showProgress(progress, done);
    endProgress(progress);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ContactSheet, SpreadsInstantsAndAveragesThumbnails) {
    EXPECT_EQ(sheetInstant(0, 5, 0, 136000), 0);
    EXPECT_EQ(sheetInstant(2, 5, 0, 136000), 68000);
    EXPECT_EQ(sheetInstant(4, 5, 0, 136000), 136000);

    const SheetLayout layout = layoutSheet(5, 8, 8); // 3 columns, 2 rows of 2 x 2 thumbnails
    EXPECT_EQ(layout.columns, 3);
    EXPECT_EQ(layout.rows, 2);
    RgbImage sheet = makeEmptySheet(layout);
    std::vector<uint8_t> frame(8 * 8 * 3, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            frame[(y * 8 + x) * 3] = y < 2 ? 255 : 0; // top-left block half red
    placeThumbnail(sheet, layout, 4, frame, 8);
    const int left = layout.gap + 1 * (layout.thumbWidth + layout.gap);
    const int top = layout.gap + 1 * (layout.thumbHeight + layout.gap);
    EXPECT_EQ(sheet.rgb[(top * sheet.width + left) * 3], 128);
    EXPECT_EQ(sheet.rgb[(top * sheet.width + left + 1) * 3], 0);
}

// A strip: its frames in a row, the full flashes above the gentle ones, each thumbnail the frame
// that --at draws at its instant, shrunk.
TEST_F(CaptureRun, StripShowsFullFlashesAboveGentleOnes) {
    ASSERT_EQ(
        runCommand(capture("--size 64x48 --strip 3 --from 19600 --to 19700 -o strip.png")).status,
        0);
    RgbImage strip;
    ASSERT_TRUE(readPng("strip.png", strip));
    const SheetLayout layout = layoutSheet(3, 64, 48);
    EXPECT_EQ(strip.width, 3 * (16 + layout.gap) + layout.gap);
    EXPECT_EQ(strip.height, 2 * (12 + layout.gap) + layout.gap);
    SheetLayout row = layout;
    row.columns = 3;
    row.rows = 2;
    RgbImage expected = makeEmptySheet(row);
    for (int n = 0; n < 6; ++n) {
        const std::string at = std::to_string(sheetInstant(n % 3, 3, 19600, 19700));
        ASSERT_EQ(runCommand(capture(std::string(n >= 3 ? "--gentle " : "") + "--size 64x48 --at " +
                                     at + " -o f.png"))
                      .status,
                  0);
        RgbImage frame;
        ASSERT_TRUE(readPng("f.png", frame));
        placeThumbnail(expected, row, n, frame.rgb, 64);
    }
    EXPECT_EQ(strip.rgb, expected.rgb);
    // At 19.7 s a loud beat: the full flashes' white sky against gentle's darker one.
    const auto brightness = [&](int n) {
        const int left = layout.gap + (n % 3) * (16 + layout.gap);
        const int top = layout.gap + (n / 3) * (12 + layout.gap);
        return strip.rgb[((top + 1) * strip.width + left + 8) * 3];
    };
    EXPECT_GT(brightness(2), brightness(5) + 60);
}

TEST_F(CaptureRun, TwoCapturesOfOneInstantAreByteIdentical) {
    for (const char* at : {"0", "20000", "134000"}) {
        const std::string at1 = std::string("a-") + at + ".png",
                          at2 = std::string("b-") + at + ".png";
        ASSERT_EQ(runCommand(capture(std::string("--at ") + at + " -o " + at1)).status, 0);
        ASSERT_EQ(runCommand(capture(std::string("--at ") + at + " -o " + at2)).status, 0);
        const std::string first = readTextFile(at1);
        EXPECT_GT(first.size(), 1000u);
        EXPECT_EQ(first, readTextFile(at2)) << at;
    }
}

TEST_F(CaptureRun, CapturedFramesMatchTheDemoWindow) {
    openDemoWindow();
    MessageRecorder recorder;
    ASSERT_TRUE(openMusicTrack());
    setInitialGlState();
    loadScenes();
    for (const int ms : {0, 5000, 20000, 30000, 50000, 80000, 110000, 134000}) {
        const std::string png = "at-" + std::to_string(ms) + ".png";
        ASSERT_EQ(runCommand(capture("--at " + std::to_string(ms) + " -o " + png)).status, 0);
        RgbImage captured;
        ASSERT_TRUE(readPng(png, captured));
        ASSERT_EQ(captured.width, 1024);
        ASSERT_EQ(captured.height, 768);

        primeFrameState(ms);
        pinSpectrumClock(ms);
        drawFrame(ms);
        const Pixels window = readWindowPixels();
        int differing = 0, largest = 0;
        for (int y = 0; y < 768; ++y) {
            for (int x = 0; x < 1024; ++x) {
                const uint8_t* c = &captured.rgb[((767 - y) * 1024 + x) * 3];
                const Rgb w = window.at(x, y);
                const int d =
                    std::max({std::abs(w.r - c[0]), std::abs(w.g - c[1]), std::abs(w.b - c[2])});
                differing += d != 0;
                largest = std::max(largest, d);
            }
        }
        EXPECT_EQ(differing, 0) << differing << " pixels differ at " << ms << " ms, by up to "
                                << largest;
    }
}

TEST_F(CaptureRun, ShortVideoHasEveryFrameAndTheSound) {
    const CommandResult run = runCommand(capture("--from 0 --to 2000 -o clip.mp4"));
    ASSERT_EQ(run.status, 0) << run.output;
    const CommandResult probe =
        runCommand("ffprobe -v error -count_frames -show_entries stream=codec_type,nb_read_frames "
                   "-of csv=p=0 clip.mp4");
    ASSERT_EQ(probe.status, 0) << probe.output;
    EXPECT_NE(probe.output.find("video,120"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("audio"), std::string::npos) << probe.output;
}

TEST_F(CaptureRun, SequenceNamesEachPictureAfterItsFrame) {
    ASSERT_EQ(runCommand(capture("--from 1000 --to 1100 -o frames/")).status, 0);
    for (int n = 60; n <= 65; ++n)
        EXPECT_TRUE(fileExists("frames/frame-0000" + std::to_string(n) + ".png")) << n;
    EXPECT_FALSE(fileExists("frames/frame-000066.png"));
    EXPECT_FALSE(fileExists("frames/frame-000059.png"));
    // Read back while the next frame is drawn and written on another thread, a frame is still
    // the very picture of its instant: frame 62 at 60 frames per second is 1033 ms.
    ASSERT_EQ(runCommand(capture("--at 1033 -o at.png")).status, 0);
    EXPECT_EQ(readTextFile("frames/frame-000062.png"), readTextFile("at.png"));
}

namespace {

double meanSquaredError(const uint8_t* a, const uint8_t* b, size_t bytes) {
    double sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return sum / static_cast<double>(bytes);
}

double psnr(double meanSquaredError) {
    return 10.0 * std::log10(255.0 * 255.0 / meanSquaredError);
}

} // namespace

// Half a second of the sphere shot, where the picture moves from frame to frame. Decoded with its
// chroma sited as the encoder placed it (level with the left luma column) and interpolated, each
// frame is within 35 dB PSNR of the PNG of its own instant, and nearer to it than to either
// neighbour's: no frame lost, doubled or out of order in the asynchronous readback. The raw
// frames before the encoder are the exact conversion of the pictures.
TEST_F(CaptureRun, VideoFramesAreTheirInstantsPicturesInOrder) {
    ASSERT_EQ(runCommand(capture("--from 50000 --to 50500 -o clip.mp4")).status, 0);
    ASSERT_EQ(runCommand(capture("--from 50000 --to 50500 -o frames/")).status, 0);
    const CommandResult probe = runCommand("ffprobe -v error -count_frames -select_streams v "
                                           "-show_entries stream=nb_read_frames -of csv=p=0 "
                                           "clip.mp4");
    EXPECT_EQ(probe.output, "30\n");
    ASSERT_EQ(runCommand("ffmpeg -v error -i clip.mp4 -vf scale=in_h_chr_pos=0:in_v_chr_pos=128:"
                         "flags=bilinear+accurate_rnd+full_chroma_int,format=rgb24 "
                         "-f rawvideo decoded.rgb")
                  .status,
              0);
    const std::string decoded = readTextFile("decoded.rgb");
    const size_t frameSize = 1024 * 768 * 3;
    ASSERT_EQ(decoded.size(), 30 * frameSize);
    const int64_t first = 3000; // 50000 ms at 60 frames per second
    for (const int k : {1, 10, 20, 28}) {
        const auto* frame = reinterpret_cast<const uint8_t*>(decoded.data()) + k * frameSize;
        double error[3];
        for (int d = -1; d <= 1; ++d) {
            RgbImage png;
            char name[40];
            std::snprintf(name, sizeof name, "frames/frame-%06lld.png",
                          static_cast<long long>(first + k + d));
            ASSERT_TRUE(readPng(name, png)) << name;
            error[d + 1] = meanSquaredError(frame, png.rgb.data(), frameSize);
        }
        EXPECT_GE(psnr(error[1]), 35.0) << "frame " << k;
        EXPECT_LT(error[1], error[0]) << "frame " << k << " is nearer its predecessor's picture";
        EXPECT_LT(error[1], error[2]) << "frame " << k << " is nearer its successor's picture";
    }

    // Before the encoder: each raw frame is its picture's exact conversion, to one code.
    ASSERT_EQ(runCommand(capture("--from 50000 --to 50500 -o raw.yuv")).status, 0);
    const std::string raw = readTextFile("raw.yuv");
    const size_t yuvSize = yuv420Bytes(1024, 768);
    ASSERT_EQ(raw.size(), 30 * yuvSize);
    std::vector<uint8_t> reference(yuvSize);
    for (const int k : {0, 15, 29}) {
        RgbImage png;
        ASSERT_TRUE(readPng("frames/frame-00" + std::to_string(first + k) + ".png", png));
        convertRgbToYuv420(png.rgb.data(), 1024, 768, reference.data());
        int largest = 0;
        for (size_t i = 0; i < yuvSize; ++i)
            largest = std::max(largest, std::abs(uint8_t(raw[k * yuvSize + i]) - reference[i]));
        EXPECT_LE(largest, 1) << "raw frame " << k;
    }
}

// Standard error is a pipe here, as in the run command's logs.
TEST_F(CaptureRun, ProgressIntoAPipeComesInWholeLinesOnlyWhenAskedFor) {
    const CommandResult asked =
        runCommand(capture("--progress --from 1000 --to 1500 --fps 20 -o frames/"));
    ASSERT_EQ(asked.status, 0) << asked.output;
    EXPECT_EQ(asked.output.find('\r'), std::string::npos) << asked.output;
    EXPECT_EQ(countLines(asked.output), 10) << asked.output;
    EXPECT_EQ(asked.output.back(), '\n');
    EXPECT_EQ(asked.output.rfind("demo-capture: frame 1 of 10, ", 0), 0u) << asked.output;

    const CommandResult unasked = runCommand(capture("--from 1000 --to 1500 --fps 20 -o frames/"));
    ASSERT_EQ(unasked.status, 0);
    EXPECT_EQ(unasked.output, "");
}

TEST_F(CaptureRun, FailuresSayWhyInOneLine) {
    writeTextFile("plain-file", "x");
    const std::vector<std::pair<std::string, int>> cases = {
        {capture("--at 100 -o plain-file/frame.png"), 1},
        {capture("--from 0 --to 100 -o plain-file/clip.mp4"), 1},
        {capture("--from 0 --to 100 -o plain-file/frames/"), 1},
        {"PATH=/nonexistent " + capture("--from 0 --to 100 -o clip.mp4"), 1},
        {capture("--at soon -o frame.png"), 2},
        {capture("-o clip.avi"), 2},
    };
    for (const auto& [command, status] : cases) {
        const CommandResult run = runCommand(command);
        EXPECT_EQ(run.status, status) << command;
        EXPECT_EQ(countLines(run.output), 1) << command << "\n" << run.output;
        EXPECT_EQ(run.output.rfind("demo-capture: ", 0), 0u) << run.output;
    }
    EXPECT_NE(runCommand("PATH=/nonexistent " + capture("-o clip.mp4")).output.find("ffmpeg"),
              std::string::npos);
}

TEST(CaptureOptions, FlashReportsGoAloneOrBesideASpansOutput) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--flash-report", "r.csv"}, options, error)) << error;
    EXPECT_EQ(options.kind, CaptureKind::FlashReportOnly);
    EXPECT_EQ(options.flashReport, "r.csv");
    EXPECT_FALSE(options.gentle);

    options = {};
    ASSERT_TRUE(parse({"--gentle", "--flash-report", "r.csv", "-o", "v.mp4"}, options, error));
    EXPECT_EQ(options.kind, CaptureKind::Video);
    EXPECT_TRUE(options.gentle);

    // A report of a segment's frames alone; the report is no part of what the frames look like.
    options = {};
    ASSERT_TRUE(parse({"--flash-report", "r.csv", "--frames", "60-120"}, options, error)) << error;
    EXPECT_EQ(options.kind, CaptureKind::FlashReportOnly);
    EXPECT_EQ(options.fromMs, 1000);
    EXPECT_EQ(options.toMs, 2000);
    options = {};
    ASSERT_TRUE(
        parse({"--frames", "0-60", "--flash-report", "r.csv", "-o", "s.mkv"}, options, error));
    EXPECT_EQ(options.shapingOptions, "");

    const std::vector<std::vector<const char*>> bad = {
        {"--flash-report", "r.csv", "--at", "100", "-o", "f.png"},
        {"--flash-report", "r.csv", "--sheet", "4", "-o", "s.png"},
        {"--flash-report", "same.mp4", "-o", "same.mp4"},
        {"--flash-report"},
        {"--gentle", "--gentle", "-o", "v.mp4"},
        {"--fps", "30", "--fps", "60", "-o", "v.mp4"},
        {"--quiet", "--progress", "-o", "v.mp4"},
        {"--flash-report", "a.csv", "--flash-report", "b.csv"},
    };
    for (const auto& arguments : bad) {
        options = {};
        error.clear();
        EXPECT_FALSE(parse(arguments, options, error)) << arguments.size();
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

// Over a loud stretch of the default data (its beats flash the banner white, several times a
// second) the report fails and names where; gentle passes the same stretch. Beside a video the
// report comes out the same, and so does the video beside it.
TEST_F(CaptureRun, FlashReportFailsTheFullFlashesAndPassesTheGentleOnes) {
    const CommandResult full =
        runCommand(capture("--from 75000 --to 79000 --flash-report full.csv"));
    EXPECT_EQ(full.status, 1) << full.output;
    EXPECT_NE(full.output.find("luminance flashes: FAILS"), std::string::npos) << full.output;
    EXPECT_NE(full.output.find(" s\n"), std::string::npos) << full.output; // the spans
    const std::string report = readTextFile("full.csv");
    EXPECT_EQ(countLines(report), 1 + 240);
    EXPECT_EQ(report.rfind("time_ms,luminance,flash_area,transitions_1s,result,", 0), 0u);
    EXPECT_NE(report.find(",fail,"), std::string::npos);

    const CommandResult gentle =
        runCommand(capture("--gentle --from 75000 --to 79000 --flash-report gentle.csv"));
    EXPECT_EQ(gentle.status, 0) << gentle.output;
    EXPECT_NE(gentle.output.find("luminance flashes: passes"), std::string::npos);
    EXPECT_NE(gentle.output.find("red flashes: passes"), std::string::npos);
    EXPECT_EQ(readTextFile("gentle.csv").find(",fail,"), std::string::npos);

    // With -o the frames are written as well, and what is written does not depend on the report.
    // (Six frames are too few to fail.)
    ASSERT_EQ(runCommand(capture("--from 14000 --to 14200 --fps 30 --flash-report short.csv "
                                 "-o with/"))
                  .status,
              0);
    EXPECT_EQ(countLines(readTextFile("short.csv")), 1 + 6);
    ASSERT_EQ(runCommand(capture("--from 14000 --to 14200 --fps 30 -o without/")).status, 0);
    for (int n = 420; n < 426; ++n) {
        const std::string name = "/frame-000" + std::to_string(n) + ".png";
        EXPECT_EQ(readTextFile("with" + name), readTextFile("without" + name)) << n;
    }
}

TEST_F(CaptureRun, UsageErrorsWriteNoReport) {
    for (const char* arguments :
         {"--flash-report r.csv --fast", "--flash-report r.csv --gentle --gentle",
          "--flash-report r.csv --at 100 -o f.png"}) {
        const CommandResult run = runCommand(capture(arguments));
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(countLines(run.output), 1) << run.output;
        EXPECT_FALSE(fileExists("r.csv")) << arguments;
    }
    // An unwritable report is found before anything is rendered.
    const CommandResult unwritable = runCommand(capture("--flash-report no/such/dir/r.csv"));
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(countLines(unwritable.output), 1) << unwritable.output;
}

namespace {

// FNV-1a over a picture's pixels: a fingerprint of what was drawn, whatever the PNG's bytes.
uint64_t pixelFingerprint(const RgbImage& image) {
    uint64_t hash = 14695981039346656037ull;
    for (const uint8_t byte : image.rgb) hash = (hash ^ byte) * 1099511628211ull;
    return hash;
}

} // namespace

// The full flashes are the demo as it has always been drawn: its frames are fingerprinted here as
// they were before gentle flashes learnt to follow the beats, and must stay so to the last bit
// (the page's stills, the package's and Windows' checks and the picture-and-sound measurements
// rest on them). The instants: the intro, each scene, calm and loud, and a strong and a weak beat
// frame by frame as the level flickers about the threshold; one wide frame. Recorded with Mesa
// 22.3's llvmpipe (Debian 12); another GL may round a pixel otherwise.
// Ten runs of demo-capture: minutes under the sanitizers on a busy machine.
struct RecordedFrames : CaptureRun {};

TEST_F(RecordedFrames, FullFlashesDrawTheirFramesAsTheyAlwaysHave) {
    struct Recorded {
        const char* arguments;
        const char* file;
        uint64_t fingerprint;
    };
    const Recorded recorded[] = {
        {"--at 2500 -o f.png", "f.png", 0xe9c444121579bd9eu},
        {"--at 13600 -o f.png", "f.png", 0xf41ef95d47b0feb0u},
        {"--at 30000 -o f.png", "f.png", 0xf78f186d06652caau},
        {"--at 52000 -o f.png", "f.png", 0x407b62f371cafdacu},
        {"--at 79000 -o f.png", "f.png", 0xee9e4c9534148a5eu},
        {"--at 105400 -o f.png", "f.png", 0xe2411d247cd030b1u},
        {"--at 134000 -o f.png", "f.png", 0xc8252060f50d115fu},
        {"--size 1920x1080 --at 19700 -o f.png", "f.png", 0x4a97763f47ef1116u},
        {"--from 19183 --to 19250 -o s/", "s/frame-001151.png", 0xf401a9b6491b6bdu},
        {"--from 19183 --to 19250 -o s/", "s/frame-001152.png", 0x14e427ca5d9070afu},
        {"--from 19183 --to 19250 -o s/", "s/frame-001153.png", 0x87c8843e56e169du},
        {"--from 19183 --to 19250 -o s/", "s/frame-001154.png", 0x6c3ba15ede3d630fu},
        {"--from 19667 --to 19734 -o s/", "s/frame-001180.png", 0x883546f110377e08u},
        {"--from 19667 --to 19734 -o s/", "s/frame-001181.png", 0x2ac8afd2ffd592a6u},
        {"--from 19667 --to 19734 -o s/", "s/frame-001182.png", 0xc7bf3aec8b876283u},
        {"--from 19667 --to 19734 -o s/", "s/frame-001183.png", 0xc8d1d59ff59eeb58u},
    };
    std::string last;
    for (const Recorded& frame : recorded) {
        if (frame.arguments != last) {
            ASSERT_EQ(runCommand(capture(frame.arguments)).status, 0) << frame.arguments;
            last = frame.arguments;
        }
        RgbImage image;
        ASSERT_TRUE(readPng(frame.file, image)) << frame.arguments << " " << frame.file;
        EXPECT_EQ(pixelFingerprint(image), frame.fingerprint)
            << frame.arguments << " " << frame.file << ": 0x" << std::hex
            << pixelFingerprint(image);
    }
}
