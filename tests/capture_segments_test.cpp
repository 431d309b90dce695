#include "CaptureOptions.h"
#include "PngFile.h"
#include "SegmentCheck.h"
#include "Segments.h"

#include "CaptureRun.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace {

std::string frameName(const std::string& directory, int64_t n) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(n));
    return directory + name;
}

// The lines of a command's output that are not comments.
std::vector<std::string> dataLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    return lines;
}

} // namespace

TEST(SegmentOptions, FramesStandForTheSpanOfTheirInstants) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--frames", "100-250", "-o", "s.mkv"}, options, error)) << error;
    EXPECT_EQ(options.frames.first, 100);
    EXPECT_EQ(options.frames.count, 150);
    // 1666.67 and 4166.67 ms: the same frames as a recording between those instants.
    EXPECT_EQ(options.fromMs, 1667);
    EXPECT_EQ(options.toMs, 4167);
    const FrameRange again = framesBetween(options.fromMs, options.toMs, options.fps);
    EXPECT_EQ(again.first, 100);
    EXPECT_EQ(again.count, 150);

    // --fps may come after --frames.
    options = {};
    ASSERT_TRUE(parse({"--frames", "7-8", "-o", "f/", "--fps", "24"}, options, error)) << error;
    EXPECT_EQ(options.fromMs, 292); // 291.67
    EXPECT_EQ(options.toMs, 333);

    options = {};
    ASSERT_TRUE(parse({"--lossless", "-o", "master.mkv"}, options, error)) << error;
    EXPECT_TRUE(options.lossless);

    options = {};
    ASSERT_TRUE(parse({"--join", "a.mkv", "b.mkv", "c.mkv", "-o", "out.mp4"}, options, error))
        << error;
    EXPECT_EQ(options.joinInputs, (std::vector<std::string>{"a.mkv", "b.mkv", "c.mkv"}));

    options = {};
    ASSERT_TRUE(
        parse({"--plan", "8", "--from", "0", "--to", "2000", "-o", "work/"}, options, error))
        << error;
    EXPECT_EQ(options.planSegments, 8);
}

TEST(SegmentOptions, RefusesWhatCannotBeASegmentOrAJoin) {
    const std::vector<std::vector<const char*>> bad = {
        {"--frames", "20-10", "-o", "s.mkv"},
        {"--frames", "10", "-o", "s.mkv"},
        {"--frames", "-5-10", "-o", "s.mkv"},
        {"--frames", "0-10", "-o", "s.mp4"}, // a segment is Matroska
        {"--frames", "0-10", "--from", "0", "-o", "s.mkv"},
        {"--frames", "0-10", "--at", "5", "-o", "f.png"},
        {"--frames", "0-99999999999", "-o", "s.mkv"},
        {"--lossless", "-o", "master.mp4"},
        {"--lossless", "-o", "frames/"},
        {"--join", "-o", "out.mp4"},
        {"--join", "a.mkv", "-o", "out.png"},
        {"--join", "a.mkv", "--size", "640x480", "-o", "out.mp4"},
        {"--join", "a.mkv", "--from", "0", "-o", "out.mp4"},
        {"--plan", "0", "-o", "work/"},
        {"--plan", "4", "-o", "work.mkv"},
        {"--plan", "4", "--from", "0", "--to", "50", "-o", "work/"}, // 3 frames
        {"--plan", "4", "--size", "641x480", "-o", "work/"},
        // A sound piece is of a segment's frames, for an MP4 join, and holds no pictures.
        {"-o", "sound.m4a"},
        {"--from", "0", "--to", "1000", "-o", "sound.m4a"},
        {"--lossless", "--frames", "0-60", "-o", "sound.m4a"},
        {"--frames", "0-60", "--flash-report", "r.csv", "-o", "sound.m4a"},
    };
    for (const auto& arguments : bad) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(parse(arguments, options, error)) << arguments[0] << " " << arguments[1];
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

// The options a segment records are those that shape its pictures, in one order.
TEST(SegmentOptions, ASegmentRecordsTheOptionsThatShapeItsPictures) {
    const auto shaping = [](std::vector<const char*> arguments) {
        arguments.insert(arguments.begin(), "demo-capture");
        return optionsShapingFrames(static_cast<int>(arguments.size()), arguments.data());
    };
    EXPECT_EQ(shaping({"--frames", "0-10", "-o", "s.mkv", "--quiet"}), "");
    EXPECT_EQ(shaping({"--size", "3840x2160", "--frames", "0-10", "--lossless", "-o", "s.mkv"}),
              shaping({"--lossless", "-o", "t.mkv", "--progress", "--size", "3840x2160"}));
    EXPECT_EQ(shaping({"--supersample", "2", "--fps", "30", "--plan", "8", "-o", "w/"}),
              "--fps 30 --supersample 2");
    // An option this reading does not know still counts, with or without a value.
    EXPECT_EQ(shaping({"--new-look", "-o", "s.mkv"}), "--new-look");
    EXPECT_EQ(shaping({"--tint", "red", "-o", "s.mkv"}), "--tint red");
}

TEST(SegmentOptions, APlanCoversTheSpanInNearlyEqualSegments) {
    const FrameRange span{1200, 8160 - 1200};
    int64_t next = span.first, shortest = span.count, longest = 0;
    for (int k = 0; k < 7; ++k) {
        const FrameRange segment = segmentOfSpan(span, 7, k);
        EXPECT_EQ(segment.first, next);
        next = segment.first + segment.count;
        shortest = std::min(shortest, segment.count);
        longest = std::max(longest, segment.count);
    }
    EXPECT_EQ(next, 8160);
    EXPECT_LE(longest - shortest, 1);
    EXPECT_EQ(segmentFileName({2760, 30}), "frames-002760-002790.mkv");
}

namespace {

struct SegmentRun : CaptureRun {
    void render(const std::string& arguments) {
        const CommandResult run = runCommand(capture(arguments));
        ASSERT_EQ(run.status, 0) << arguments << "\n" << run.output;
    }
};

// Decodes a 1024 x 768 video to RGB through the filter and hands each frame to check with the
// PNG of its instant from frames/, numbered from first.
template <typename Check>
void compareWithPngs(const std::string& video, const std::string& filter, int64_t first, int count,
                     Check check) {
    ASSERT_EQ(runCommand("ffmpeg -v error -i " + video + " -map 0:v -vf " + filter +
                         ",format=rgb24 -f rawvideo decoded.rgb")
                  .status,
              0);
    const std::string decoded = readTextFile("decoded.rgb");
    const size_t frameBytes = 1024 * 768 * 3;
    ASSERT_EQ(decoded.size(), count * frameBytes);
    for (int k = 0; k < count; ++k) {
        RgbImage png;
        ASSERT_TRUE(readPng(frameName("frames", first + k), png));
        check(first + k, reinterpret_cast<const uint8_t*>(decoded.data()) + k * frameBytes, png);
    }
}

} // namespace

// Every frame is a pure function of its instant: segments that start anywhere, in the intro
// after its first frame switched blending on, or in the credits, which draw with the colour the
// banner's last frame left, hold the very frames of one run over their whole span.
TEST_F(SegmentRun, SegmentsHoldTheFramesOfOneRunOverTheWholeSpan) {
    struct Case {
        int64_t first, end;
        std::vector<int64_t> cuts;
    };
    // 132.5 s (frame 7950) ends the banner, 133 s (7980) starts the credits.
    for (const Case& c : {Case{0, 30, {12}}, Case{7940, 8000, {7960, 7985}}}) {
        const std::string span = std::to_string(c.first) + "-" + std::to_string(c.end);
        render("--frames " + span + " -o whole/");
        std::vector<int64_t> bounds = {c.first};
        bounds.insert(bounds.end(), c.cuts.begin(), c.cuts.end());
        bounds.push_back(c.end);
        for (size_t k = 0; k + 1 < bounds.size(); ++k)
            render("--frames " + std::to_string(bounds[k]) + "-" + std::to_string(bounds[k + 1]) +
                   " -o parts/");
        for (int64_t n = c.first; n < c.end; ++n) {
            const std::string whole = readTextFile(frameName("whole", n));
            ASSERT_GT(whole.size(), 1000u) << n;
            EXPECT_EQ(whole, readTextFile(frameName("parts", n))) << "frame " << n;
        }
        EXPECT_FALSE(fileExists(frameName("parts", c.end)));
    }
}

// Half a second of the sphere shot in two lossless segments, cut mid-shot: joined, they decode
// to the frames of the one-process master, timestamps included, and to the PNGs of the same
// instants, bit for bit.
TEST_F(SegmentRun, JoinedLosslessSegmentsAreTheOneProcessMaster) {
    render("--lossless --from 46000 --to 46500 -o master.mkv");
    render("--lossless --frames 2760-2771 -o a.mkv");
    render("--lossless --frames 2771-2790 -o b.mkv");
    render("--join a.mkv b.mkv -o joined.mkv");
    const CommandResult master = runCommand("ffmpeg -v error -i master.mkv -map 0:v -f framemd5 -");
    const CommandResult joined = runCommand("ffmpeg -v error -i joined.mkv -map 0:v -f framemd5 -");
    ASSERT_EQ(master.status, 0) << master.output;
    EXPECT_EQ(dataLines(master.output).size(), 30u);
    EXPECT_EQ(dataLines(joined.output), dataLines(master.output));

    const CommandResult codecs =
        runCommand("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 joined.mkv");
    EXPECT_EQ(codecs.output, "ffv1\nflac\n");

    render("--from 46000 --to 46500 -o frames/");
    compareWithPngs(
        "joined.mkv", "null", 2760, 30, [](int64_t n, const uint8_t* decoded, const RgbImage& png) {
            EXPECT_TRUE(std::equal(png.rgb.begin(), png.rgb.end(), decoded)) << "frame " << n;
        });
}

// Three H.264 segments of the sphere shot joined into an MP4: every frame once, at its place in
// the video, the track's sound under them, and each frame within 35 dB PSNR of the PNG of its
// instant (decoded with its chroma sited as encoded), across the seams too.
TEST_F(SegmentRun, JoinedVideoRunsOnAcrossTheSeamsWithItsSound) {
    render("--frames 3000-3010 -o a.mkv");
    render("--frames 3010-3025 -o b.mkv");
    render("--frames 3025-3030 -o c.mkv");
    render("--join a.mkv b.mkv c.mkv -o joined.mp4");
    const CommandResult streams =
        runCommand("ffprobe -v error -show_entries stream=codec_name:format=duration -of "
                   "default=nw=1 joined.mp4");
    EXPECT_NE(streams.output.find("codec_name=h264\ncodec_name=aac"), std::string::npos)
        << streams.output;
    EXPECT_NE(streams.output.find("duration=0.5"), std::string::npos) << streams.output;
    const CommandResult times =
        runCommand("ffprobe -v error -select_streams v -show_entries packet=pts -of csv=p=0 "
                   "joined.mp4 | sort -n | paste -sd' '");
    std::string expected;
    for (int n = 0; n < 30; ++n) expected += (n ? " " : "") + std::to_string(n);
    EXPECT_EQ(times.output, expected + "\n") << "timestamps in frames (1/60 s)";

    render("--from 50000 --to 50500 -o frames/");
    compareWithPngs(
        "joined.mp4",
        "scale=in_h_chr_pos=0:in_v_chr_pos=128:flags=bilinear+accurate_rnd+full_chroma_int", 3000,
        30, [](int64_t n, const uint8_t* decoded, const RgbImage& png) {
            double sum = 0;
            for (size_t i = 0; i < png.rgb.size(); ++i)
                sum += (double(decoded[i]) - png.rgb[i]) * (double(decoded[i]) - png.rgb[i]);
            EXPECT_GE(10.0 * std::log10(255.0 * 255.0 * png.rgb.size() / sum), 35.0)
                << "frame " << n;
        });

    // The sound piece of the same frames, made apart, is the very sound the join encodes: copied,
    // every packet of both streams is the same.
    render("--frames 3000-3030 -o sound.m4a");
    render("--join a.mkv b.mkv c.mkv sound.m4a -o copied.mp4");
    const auto packets = [](const std::string& video) {
        return dataLines(
            runCommand("ffmpeg -v error -i " + video + " -map 0 -c copy -f framemd5 -").output);
    };
    EXPECT_GT(packets("joined.mp4").size(), 50u);
    EXPECT_EQ(packets("copied.mp4"), packets("joined.mp4"));

    // Into Matroska the sound is FLAC.
    render("--join a.mkv b.mkv c.mkv -o joined.mkv");
    EXPECT_EQ(runCommand("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 joined.mkv")
                  .output,
              "h264\nflac\n");
}

// A join that would not run on, or that meets a damaged segment, says why in one line naming
// the seam or the file, and leaves nothing behind.
TEST_F(SegmentRun, JoinRefusesGapsDoublesReversalsAndDamage) {
    render("--frames 600-605 -o a.mkv");
    render("--frames 605-610 -o b.mkv");
    render("--frames 610-615 -o c.mkv");
    render("--frames 605-610 --size 640x480 -o small.mkv");
    render("--lossless --frames 610-615 -o lossless.mkv");
    const std::string b = readTextFile("b.mkv");
    std::string flipped = b;
    flipped[b.size() / 2] = static_cast<char>(flipped[b.size() / 2] ^ 0x10);
    writeTextFile("flipped.mkv", flipped);
    writeTextFile("cut.mkv", b.substr(0, b.size() * 2 / 3));
    writeTextFile("longer.mkv", b + "more");
    writeTextFile("not-video.mkv", "segment");
    render("--frames 600-615 -o sound.m4a");
    render("--frames 600-610 -o short.m4a");
    const std::string sound = readTextFile("sound.m4a");
    writeTextFile("cut.m4a", sound.substr(0, sound.size() / 2));

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a.mkv c.mkv", "frames 605-610 are missing between a.mkv and c.mkv"},
        {"a.mkv b.mkv b.mkv", "frames 605-610 are in both b.mkv and b.mkv"},
        {"b.mkv a.mkv", "a.mkv (frames 600-605) comes after b.mkv (frames 605-610)"},
        {"a.mkv gone.mkv c.mkv", "cannot read gone.mkv"},
        {"a.mkv flipped.mkv c.mkv", "flipped.mkv is damaged: its element at byte"},
        {"a.mkv cut.mkv c.mkv", "cut.mkv is damaged: it ends at byte"},
        {"a.mkv longer.mkv c.mkv", "longer.mkv is damaged: it goes on past its end"},
        {"a.mkv not-video.mkv", "not-video.mkv is damaged: it is not a Matroska file"},
        {"a.mkv small.mkv c.mkv", "small.mkv was made otherwise than a.mkv"},
        {"a.mkv b.mkv lossless.mkv", "lossless.mkv was made otherwise than a.mkv"},
        {"a.mkv b.mkv c.mkv short.m4a", "short.m4a is the sound of frames 600-610 at 60 fps, "
                                        "not of the segments' 600-615"},
        {"a.mkv b.mkv c.mkv cut.m4a", "cut.m4a is damaged"},
        {"a.mkv sound.m4a b.mkv sound.m4a c.mkv", "two sound pieces"},
        {"sound.m4a", "no segments of video, only sound.m4a"},
    };
    for (const auto& [segments, why] : cases) {
        const CommandResult run = runCommand(capture("--join " + segments + " -o out.mp4"));
        EXPECT_EQ(run.status, 1) << segments;
        EXPECT_EQ(countLines(run.output), 1) << run.output;
        EXPECT_EQ(run.output.rfind("demo-capture: cannot join: " + why, 0), 0u) << run.output;
        EXPECT_FALSE(fileExists("out.mp4")) << segments;
        EXPECT_FALSE(fileExists("out.mp4.part")) << segments;
    }
    // A Matroska join makes its FLAC itself.
    const CommandResult mkv = runCommand(capture("--join a.mkv b.mkv c.mkv sound.m4a -o out.mkv"));
    EXPECT_EQ(mkv.status, 1);
    EXPECT_NE(mkv.output.find("sound.m4a is AAC for an MP4 or QuickTime join"), std::string::npos)
        << mkv.output;
    EXPECT_FALSE(fileExists("out.mkv"));
    // Lossless segments make a lossless master only.
    render("--lossless --frames 605-610 -o lossless-a.mkv");
    const CommandResult mp4 = runCommand(capture("--join lossless-a.mkv lossless.mkv -o out.mp4"));
    EXPECT_EQ(mp4.status, 1);
    EXPECT_NE(mp4.output.find("join them into FILE.mkv"), std::string::npos) << mp4.output;
    EXPECT_FALSE(fileExists("out.mp4"));
    // And the segments that do run on join.
    render("--join a.mkv b.mkv c.mkv -o out.mp4");
    EXPECT_TRUE(fileExists("out.mp4"));
}

// --plan finds what a directory holds: whole segments of these frames and options are done; a
// missing, damaged or different one is to be done, and is said why.
TEST_F(SegmentRun, APlanSaysWhichSegmentsAreDone) {
    const std::string plan = "--from 10000 --to 10250 --plan 3 -o work/";
    ASSERT_EQ(mkdir("work", 0755), 0);
    render("--frames 600-605 -o work/frames-000600-000605.mkv");
    render("--frames 605-610 --size 640x480 -o work/frames-000605-000610.mkv");
    render("--frames 610-615 -o work/frames-000610-000615.mkv");
    CommandResult run = runCommand("(" + capture(plan) + " 2>/dev/null)");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "done 600-605 work/frames-000600-000605.mkv\n"
                          "todo 605-610 work/frames-000605-000610.mkv\n"
                          "done 610-615 work/frames-000610-000615.mkv\n"
                          "todo 600-615 work/sound-000600-000615.m4a\n");
    run = runCommand("(" + capture(plan) + " >/dev/null)");
    EXPECT_EQ(run.output, "demo-capture: work/frames-000605-000610.mkv was made with other "
                          "options: --size 640x480 (these: none): it is to be rendered again\n");

    // Another size is another plan: nothing there is done.
    run = runCommand("(" + capture("--size 640x480 " + plan) + " 2>/dev/null)");
    EXPECT_EQ(run.output, "todo 600-605 work/frames-000600-000605.mkv\n"
                          "done 605-610 work/frames-000605-000610.mkv\n"
                          "todo 610-615 work/frames-000610-000615.mkv\n"
                          "todo 600-615 work/sound-000600-000615.m4a\n");

    // The sound piece whole and of the span is done, the options that shape pictures apart; a
    // lossless plan has none, since its join makes FLAC.
    render("--frames 600-615 --size 640x480 -o work/sound-000600-000615.m4a");
    run = runCommand("(" + capture(plan) + " 2>/dev/null)");
    EXPECT_NE(run.output.find("done 600-615 work/sound-000600-000615.m4a"), std::string::npos)
        << run.output;
    run = runCommand("(" + capture("--lossless " + plan) + " 2>/dev/null)");
    EXPECT_EQ(run.output.find("sound-"), std::string::npos) << run.output;

    std::string damaged = readTextFile("work/frames-000610-000615.mkv");
    damaged[damaged.size() - 100] = static_cast<char>(damaged[damaged.size() - 100] ^ 1);
    writeTextFile("work/frames-000610-000615.mkv", damaged);
    run = runCommand("(" + capture(plan) + " 2>/dev/null)");
    EXPECT_NE(run.output.find("todo 610-615"), std::string::npos) << run.output;
}

// A segment stopped part-way leaves only its .part file: nothing that could pass for done.
TEST_F(SegmentRun, AStoppedSegmentLeavesNothingThatLooksDone) {
    const std::string command = capture("--frames 0-3000 -o stopped.mkv");
    const CommandResult run =
        runCommand("(" + command +
                   " & pid=$!; for i in $(seq 1 300); do [ -s stopped.mkv.part ] && break; "
                   "sleep 0.1; done; kill $pid; wait $pid; echo status $?)");
    EXPECT_NE(run.output.find("status 143"), std::string::npos) << run.output;
    EXPECT_TRUE(fileExists("stopped.mkv.part"));
    EXPECT_FALSE(fileExists("stopped.mkv"));
    // What ffmpeg closed when its frames stopped coming is no segment of the frames asked for.
    SegmentInfo partial;
    std::string error;
    EXPECT_FALSE(readSegment("stopped.mkv.part", partial, error));
    EXPECT_NE(error.find("not the 3000 of frames 0-3000"), std::string::npos) << error;
}
