#include "app/Loading.h"

#include "app/Timeline.h"
#include "assets/AssetQueue.h"
#include "audio/AudioOutput.h"
#include "audio/Music.h"

namespace {

// The track is kept decoded this far ahead of the show: the browser plays it in chunks of 1.5 s,
// each of which must be in before its time.
constexpr int32_t trackLeadMs = 8000;
// What a frame needs of the track beyond its instant: the spectrum's window reaches 12 ms past
// it, and gentle flashes read 20 ms ahead.
constexpr int32_t trackNeededMs = 1000;
// The first frames' share, which the start waits for.
constexpr int32_t openingTrackMs = 3000;
// A few milliseconds of decoding.
constexpr int64_t trackPieceFrames = outputRate / 10;
// Between frames: a little, and more when something is needed soon. The track goes on to its end
// at that little a frame, so that a seek anywhere soon finds its sound decoded, as a video player
// buffers ahead.
constexpr double stepSecondsBetweenFrames = 0.004;
constexpr double stepSecondsWhenDue = 0.01;
constexpr int32_t dueWithinMs = 5000;

bool trackDecoding() {
    return music.decoder != nullptr;
}

bool trackShortOf(int32_t ms) {
    return trackDecoding() && music.stream.frameCount() < frameAtMs(ms);
}

Loading state() {
    return assetsQueued() || trackDecoding() ? Loading::More : Loading::Done;
}

Loading decodePiece() {
    return music.decodeMore(trackPieceFrames) ? state() : Loading::Failed;
}

} // namespace

void queueSceneAssets() {
    for (const ScheduleRow& row : schedule) {
        setAssetsNeededFrom(row.window.start);
        row.load();
    }
    setAssetsNeededFrom(0);
}

Loading loadStep(int32_t showMs) {
    // What is needed soonest first: the next seconds of the track, the files opened, the assets
    // of the next seconds, the track's lead, then the rest.
    if (trackShortOf(showMs + openingTrackMs)) return decodePiece();
    if (!queuedAssetsOpened() && openQueuedAssets()) return state();
    const bool assetDue = nextAssetNeededAt() - int64_t{showMs} < dueWithinMs;
    if (assetDue && loadAssetStep()) return state();
    if (trackShortOf(showMs + trackLeadMs)) return decodePiece();
    if (assetsQueued() && loadAssetStep()) return state();
    if (trackDecoding()) return decodePiece();
    return assetsQueued() ? Loading::Waiting : Loading::Done;
}

namespace {

// The opening's next step: the track's first seconds, the files, the first frames' assets.
Loading loadOpeningStep() {
    if (trackShortOf(openingTrackMs)) return decodePiece();
    if (!queuedAssetsOpened() && openQueuedAssets()) return state();
    if (nextAssetNeededAt() <= 0) return loadAssetStep() ? state() : Loading::Waiting;
    return openingLoaded() ? state() : Loading::Waiting;
}

template <typename Step, typename Enough>
Loading stepFor(double seconds, Step step, Enough enough) {
    const double until = audioClockSeconds() + seconds;
    Loading loading = step();
    while (loading == Loading::More && !enough() && audioClockSeconds() < until) loading = step();
    return loading;
}

} // namespace

Loading loadFor(double seconds, int32_t showMs) {
    return stepFor(
        seconds, [showMs] { return loadStep(showMs); }, [] { return false; });
}

Loading loadOpeningFor(double seconds) {
    return stepFor(seconds, loadOpeningStep, openingLoaded);
}

Loading loadNeededBy(int32_t showMs) {
    while (assetsQueued() && nextAssetNeededAt() <= showMs)
        if (!loadAssetStep()) return Loading::Waiting;
    while (trackShortOf(showMs + trackNeededMs))
        if (decodePiece() == Loading::Failed) return Loading::Failed;
    return state();
}

Loading loadBetweenFrames(int32_t showMs) {
    const bool due = nextAssetNeededAt() - int64_t{showMs} < dueWithinMs ||
                     trackShortOf(showMs + trackLeadMs / 2);
    const double until =
        audioClockSeconds() + (due ? stepSecondsWhenDue : stepSecondsBetweenFrames);
    Loading loading = state();
    while (loading == Loading::More && audioClockSeconds() < until) loading = loadStep(showMs);
    return loading;
}

bool openingLoaded() {
    return queuedAssetsOpened() && nextAssetNeededAt() > 0 && !trackShortOf(openingTrackMs);
}

Loading loadEverything() {
    while (trackDecoding())
        if (decodePiece() == Loading::Failed) return Loading::Failed;
    loadQueuedAssets();
    return Loading::Done;
}
