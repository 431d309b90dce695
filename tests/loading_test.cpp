#include "DataSet.h"
#include "OggWriter.h"
#include "app/Frame.h"
#include "app/Loading.h"
#include "assets/AssetQueue.h"
#include "audio/Music.h"
#include "audio/Track.h"
#include "scenes/GentleFlashes.h"

#include "GlTest.h"
#include "MessageRecorder.h"
#include "ScratchDirectory.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A chord that changes every 0.1 s, so that a piece put in the wrong place shows.
bool writeChangingTrack(const std::string& path, double seconds, int rate) {
    const auto frames = static_cast<int64_t>(seconds * rate);
    std::vector<float> stereo(static_cast<size_t>(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double hz = 200.0 + 50.0 * static_cast<int>(t * 10);
        stereo[2 * i] = static_cast<float>(0.4 * std::sin(2 * M_PI * hz * t));
        stereo[2 * i + 1] = static_cast<float>(0.3 * std::sin(2 * M_PI * hz * 1.5 * t));
    }
    return writeOggVorbis(path.c_str(), stereo.data(), frames, rate, 0.5f, 1);
}

Track decodeInPieces(const char* path, int64_t pieceFrames, int& pieces) {
    Track track;
    TrackDecoder* decoder = openTrackDecoder(path, track);
    EXPECT_NE(decoder, nullptr);
    if (!decoder) return track;
    DecodeStep step = DecodeStep::More;
    for (pieces = 0; step == DecodeStep::More; ++pieces) {
        const int64_t had = track.frameCount();
        step = decodeTrackPiece(*decoder, track, pieceFrames);
        EXPECT_GE(track.frameCount(), had);
        EXPECT_EQ(track.complete, step == DecodeStep::Done);
    }
    closeTrackDecoder(decoder);
    EXPECT_EQ(step, DecodeStep::Done);
    return track;
}

} // namespace

// The page starts playing after the track's first seconds and decodes the rest between frames:
// the samples must be the whole decoding's, to the bit, at the output rate and through the
// resampler alike.
TEST(TrackPieces, AnyPieceSizeGivesTheSamplesOfTheWholeDecoding) {
    ScratchDirectory scratch;
    for (const int rate : {44100, 22050, 48000}) {
        const std::string path = "track-" + std::to_string(rate) + ".ogg";
        ASSERT_TRUE(writeChangingTrack(path, 2.3, rate));
        Track whole;
        ASSERT_TRUE(decodeOggVorbis(path.c_str(), whole));
        EXPECT_TRUE(whole.complete);
        EXPECT_NEAR(whole.frameCount(), 2.3 * outputRate, 2) << rate;
        for (const int64_t piece : {int64_t{1}, int64_t{997}, int64_t{outputRate / 4}}) {
            int pieces = 0;
            const Track stepped = decodeInPieces(path.c_str(), piece, pieces);
            EXPECT_GT(pieces, 2) << rate << " in pieces of " << piece;
            EXPECT_TRUE(stepped.stereo == whole.stereo) << rate << " in pieces of " << piece;
        }
    }
}

// The banner's gentle picture is made a band at a time between a page's frames: the same bytes.
TEST(GentleLoudPicture, InStepsTheSameAsAtOnce) {
    RgbPicture calm{static_cast<uint8_t*>(std::malloc(300 * 200 * 3)), 300, 200};
    RgbPicture loud{static_cast<uint8_t*>(std::malloc(300 * 200 * 3)), 300, 200};
    for (int i = 0; i < 300 * 200 * 3; ++i) {
        calm.pixels[i] = static_cast<uint8_t>(i * 7 % 90);
        loud.pixels[i] = static_cast<uint8_t>(120 + i * 13 % 136);
    }
    RgbPicture whole = makeGentleLoudPicture(calm, loud);
    GentleLoudPictureBuild build;
    beginGentleLoudPicture(build, calm, loud);
    int steps = 1;
    while (!stepGentleLoudPicture(build, 1000)) ++steps;
    EXPECT_GT(steps, 100);
    ASSERT_TRUE(whole.pixels && build.picture.pixels);
    EXPECT_EQ(std::memcmp(whole.pixels, build.picture.pixels, 300 * 200 * 3), 0);
    EXPECT_NE(std::memcmp(whole.pixels, calm.pixels, 300 * 200 * 3), 0);
    for (RgbPicture* picture : {&calm, &loud, &whole, &build.picture}) freeRgbPicture(*picture);
}

namespace {

std::vector<char> stepsTaken;
bool optionChosen = false;
bool optionWanted() {
    return optionChosen;
}
template <char name> bool takeStep() {
    stepsTaken.push_back(name);
    return true;
}

} // namespace

// Soonest needed first, queue order among equals; a step wanted only for a choice not made waits
// behind everything, and comes forward as soon as the choice is made.
TEST(AssetQueue, SoonestNeededFirstAndAnUnwantedStepLast) {
    for (const bool chosenAtOnce : {false, true}) {
        stepsTaken.clear();
        optionChosen = chosenAtOnce;
        setAssetsNeededFrom(0);
        queueStep(takeStep<'a'>);
        queueStep(takeStep<'o'>, optionWanted);
        setAssetsNeededFrom(13000);
        queueStep(takeStep<'b'>);
        setAssetsNeededFrom(5000); // out of order: still taken by its instant
        queueStep(takeStep<'c'>);
        setAssetsNeededFrom(0);
        EXPECT_EQ(nextAssetNeededAt(), 0);
        ASSERT_TRUE(loadAssetStep());
        EXPECT_EQ(nextAssetNeededAt(), chosenAtOnce ? 0 : 5000);
        ASSERT_TRUE(loadAssetStep());
        if (!chosenAtOnce) {
            optionChosen = true; // the choice made part-way
            EXPECT_EQ(nextAssetNeededAt(), 0);
        }
        loadQueuedAssets();
        EXPECT_FALSE(assetsQueued());
        EXPECT_EQ(nextAssetNeededAt(), INT32_MAX);
        const std::string order(stepsTaken.begin(), stepsTaken.end());
        EXPECT_EQ(order, chosenAtOnce ? "aocb" : "acob");
    }
}

namespace {

struct LoadingTest : ::testing::Test {
    ScratchDirectory scratch;
    MessageRecorder recorder;
    void TearDown() override {
        setGentleFlashes(false);
        loadQueuedAssets();
        music.stop();
        music = Music{};
    }
    // The default data written, the track opened and every scene's assets queued, as a page has
    // them once its data is in.
    void queueDefaultScenes() {
        openDemoWindow();
        for (const DataFile& file : defaultDataSet())
            ASSERT_TRUE(file.write(std::string("data/") + file.name));
        ASSERT_TRUE(music.init());
        setInitialGlState();
        queueSceneAssets();
    }
};

} // namespace

// Before it offers the start, a page loads the opening and stops there, however long it is given:
// the rest of the track and the later scenes' assets wait for the offer.
TEST_F(LoadingTest, NothingBeyondTheOpeningBeforeTheOffer) {
    queueDefaultScenes();
    if (HasFatalFailure()) return;

    for (int call = 0; call < 2; ++call) {
        EXPECT_EQ(loadOpeningFor(60.0), Loading::More);
        EXPECT_TRUE(openingLoaded());
        EXPECT_EQ(nextAssetNeededAt(), 13000);
        EXPECT_GE(music.stream.frameCount(), frameAtMs(3000));
        EXPECT_LT(music.stream.frameCount(), frameAtMs(3200));
    }
    EXPECT_EQ(loadFor(60.0, 0), Loading::Done);
    EXPECT_TRUE(music.stream.complete);
    EXPECT_FALSE(assetsQueued());
    EXPECT_TRUE(recorder.boxes().empty());
}

// The default data loaded as the page loads it: the opening first (the banner's and the intro's
// assets, the track's first seconds), then each scene's assets by its first frame, the track
// decoded on between frames, and the same frames as the data loaded at once.
TEST_F(LoadingTest, TheOpeningFirstThenEachSceneByItsFirstFrame) {
    queueDefaultScenes();
    if (HasFatalFailure()) return;

    int steps = 0;
    while (!openingLoaded()) {
        ASSERT_EQ(loadStep(0), Loading::More);
        ++steps;
    }
    EXPECT_GT(steps, 10); // the banner's large pictures go in several steps
    EXPECT_EQ(nextAssetNeededAt(), 13000);
    EXPECT_GE(music.stream.frameCount(), frameAtMs(3000));
    EXPECT_FALSE(music.stream.complete);

    // The banner's gentle picture was left out of the opening; asked for, it is needed at once.
    setGentleFlashes(true);
    EXPECT_FALSE(openingLoaded());
    EXPECT_EQ(nextAssetNeededAt(), 0);
    int gentleSteps = 0;
    for (; nextAssetNeededAt() == 0; ++gentleSteps) ASSERT_EQ(loadStep(0), Loading::More);
    EXPECT_GT(gentleSteps, 10); // a band at a time, then a level at a time
    EXPECT_TRUE(openingLoaded());
    EXPECT_EQ(nextAssetNeededAt(), 13000);

    EXPECT_EQ(loadNeededBy(46000), Loading::More);
    EXPECT_EQ(nextAssetNeededAt(), 73000);
    EXPECT_GE(music.stream.frameCount(), frameAtMs(47000));
    EXPECT_LT(music.stream.frameCount(), frameAtMs(60000));

    // Between frames of a show at 50 s: the rest of the assets, and the track on past its lead to
    // its end (a seek anywhere then finds its sound), a little a frame rather than all at once.
    int frames = 0;
    for (; frames < 20000 && (assetsQueued() || !music.stream.complete); ++frames)
        ASSERT_NE(loadBetweenFrames(50000), Loading::Failed);
    EXPECT_FALSE(assetsQueued());
    EXPECT_TRUE(music.stream.complete);
    EXPECT_GT(frames, 20);
    EXPECT_EQ(loadEverything(), Loading::Done);
    EXPECT_TRUE(music.stream.complete);
    EXPECT_NEAR(music.stream.frameCount(), frameAtMs(136000), outputRate);
    EXPECT_EQ(loadStep(0), Loading::Done);
    EXPECT_TRUE(recorder.boxes().empty());
}
