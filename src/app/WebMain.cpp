// The demo's entry as a web page. The browser owns the loop. Until the start it calls back as soon
// as it can, and each callback loads for a slice of time short enough that the page never
// freezes; the start is offered once the opening is in. From the start it calls back once per
// display frame, and each callback runs the same loop passes as the native loop until one has
// drawn a frame, loading the rest between frames. The page (web/) shows the loading bar, the start
// overlay and the end, through the calls below.

#include "app/Controls.h"
#include "app/Demo.h"
#include "app/Frame.h"
#include "app/Loading.h"
#include "app/Timeline.h"
#include "audio/Music.h"
#include "audio/ShowClock.h"
#include "audio/Track.h"
#include "platform/AudioDevice.h"
#include "platform/GLWindow.h"
#include "platform/PictureArea.h"
#include "scenes/GentleFlashes.h"

#include <SDL.h>
#include <algorithm>
#include <emscripten.h>

// From the page's script library (web/library.js).
extern "C" {
// The instant of the single still frame the page asks for (?at=MS), or -1 for the live demo.
int pageStillFrameMs();
// Start-up is done: the page may offer the start (browsers allow sound only after a click).
void pageDemoReady();
// Whether the viewer chose gentle flashes (the start overlay's switch, or ?gentle): 1 or 0.
int pageGentleFlashes();
void pageStillFrameDrawn(int ms);
void pageDemoEnded();
// The demo cannot play here, before anything played: why is one of the failures below.
void pageDemoFailed(int why);
void pageFrameDrawn(int ms);
// One chapter of the seek bar, from the timeline's own table.
void pageChapter(int startMs, const char* name);
}

namespace {

// Start-up before the loading, a pass each: the window, its WebGL context, the audio context, and
// the preparation (the track opened, the scenes queued). Apart, each from the others and from the
// program's start: together they were the longest task before the start, over 400 ms on a phone;
// the WebGL context alone is over 100 ms, and so is the audio context, which is made before the
// track is in.
enum class Preparing { Window, Context, Audio, Demo, Done };
Preparing preparing = Preparing::Window;
bool playing = false;
bool offered = false;
bool loadingPaused = false;

// No callbacks until more data arrives (resumeLoading), or until the start.
void pauseLoading() {
    loadingPaused = true;
    emscripten_pause_main_loop();
}
// A slice of loading before the start: a tap waits no longer than this for the page, and on a
// phone four times slower than this machine a slice is still no long task (50 ms).
constexpr double sliceSeconds = 0.008;

// What web/page.js says for each: it cannot draw (no window or WebGL context), or it cannot play
// its track (no sound, or the track damaged: its message box said which).
constexpr int cannotDraw = 1;
constexpr int cannotPlayTrack = 2;

// Nothing has played: the page says what failed and what the visitor can do, not that it ended.
void failBeforeStart() {
    emscripten_cancel_main_loop();
    stopDemo();
    pageDemoFailed(cannotPlayTrack);
}

// Without a window there is nothing to stop but the loop.
void failWithoutWindow() {
    emscripten_cancel_main_loop();
    pageDemoFailed(cannotDraw);
}

void prepareStep() {
    switch (preparing) {
    case Preparing::Window:
        preparing = Preparing::Context;
        if (!glWindow.openWindow()) failWithoutWindow();
        return;
    case Preparing::Context:
        preparing = Preparing::Audio;
        if (!glWindow.createContext()) failWithoutWindow();
        return;
    case Preparing::Audio:
        preparing = Preparing::Demo;
        prepareAudioDevice(outputRate);
        return;
    case Preparing::Demo:
        // Nothing to do until the track is in: resumeLoading() calls back.
        if (!music.trackArrived()) {
            pauseLoading();
            return;
        }
        preparing = Preparing::Done;
        if (!prepareDemo()) failBeforeStart();
        return;
    case Preparing::Done:
        return;
    }
}

void loadBeforeStart() {
    if (preparing != Preparing::Done) {
        prepareStep();
        return;
    }
    // The overlay's switch, as it stands: the gentle picture is needed before the start only when
    // it is on.
    setGentleFlashes(pageGentleFlashes() != 0);
    const Loading loading = offered ? loadFor(sliceSeconds, 0) : loadOpeningFor(sliceSeconds);
    if (loading == Loading::Failed) {
        failBeforeStart();
        return;
    }
    if (loading == Loading::Done || loading == Loading::Waiting) pauseLoading();
    if (!offered && openingLoaded()) {
        offered = true;
        pageDemoReady();
    }
}

void runBrowserFrame() {
    if (!playing) {
        loadBeforeStart();
        return;
    }
    for (;;) {
        switch (runLoopPass()) {
        case LoopPass::Event:
            continue;
        case LoopPass::Frame:
            pageFrameDrawn(elapsedMs);
            return;
        case LoopPass::Idle:
            return;
        case LoopPass::End:
            // The pass that reaches the timeline's end draws its frame too; after Escape this is
            // the last one drawn before it.
            pageFrameDrawn(elapsedMs);
            emscripten_cancel_main_loop();
            stopDemo();
            pageDemoEnded();
            return;
        }
    }
}

// What demo-capture --at does: the GL state of the live demo at that instant, then the frame,
// every spectrum reading taken at the instant itself. No audio device: nothing plays.
void drawStillFrame(int32_t ms) {
    if (!glWindow.create()) return;
    setDrawableSize(glWindow.drawableSize());
    openMusicTrack();
    setInitialGlState();
    loadScenes();
    setGentleFlashes(pageGentleFlashes() != 0);
    primeFrameState(ms);
    pinSpectrumClock(ms);
    drawFrame(ms);
    pageStillFrameDrawn(ms);
}

} // namespace

namespace {

// The browser plays what is decoded, in pieces of 1.5 s (web/library.js): a move to an instant
// waits here for the track to reach a little past it, as a video player waits for the data of a
// seek (the track is decoded as the show runs, ahead of it).
constexpr int32_t moveTrackMs = 2000;

void decodeFor(int32_t ms) {
    loadNeededBy(std::min(ms + moveTrackMs, timelineEndMs));
}

} // namespace

// The start click: the track and the clock start together, at fromMs (the page's #t=), then the
// browser drives the loop.
extern "C" EMSCRIPTEN_KEEPALIVE void startPlayback(int fromMs) {
    if (playing || !offered) return;
    setGentleFlashes(pageGentleFlashes() != 0);
    decodeFor(fromMs);
    startTimeline(fromMs);
    playing = true;
    emscripten_set_main_loop_timing(EM_TIMING_RAF, 1);
    if (loadingPaused) emscripten_resume_main_loop();
    loadingPaused = false;
}

// The page's controls and keys (web/page.js): the same moves as the native keys'.
extern "C" EMSCRIPTEN_KEEPALIVE void pausePlayback(int pause) {
    if (playing && (pause != 0) != showPaused()) togglePause();
}
extern "C" EMSCRIPTEN_KEEPALIVE int playbackPaused() {
    return showPaused() ? 1 : 0;
}
extern "C" EMSCRIPTEN_KEEPALIVE void seekPlayback(int ms) {
    if (!playing) return;
    decodeFor(ms);
    seekTo(ms);
}
extern "C" EMSCRIPTEN_KEEPALIVE void seekPlaybackBy(int ms) {
    if (!playing) return;
    const int32_t to = seekByTarget(ms);
    decodeFor(to);
    seekTo(to);
}
extern "C" EMSCRIPTEN_KEEPALIVE void stepPlayback(int frames) {
    if (playing) stepFrames(frames);
}
extern "C" EMSCRIPTEN_KEEPALIVE void gentlePlayback(int on) {
    setGentle(on != 0);
}
// How far the track is decoded, for the seek bar's "loaded".
extern "C" EMSCRIPTEN_KEEPALIVE int decodedMs() {
    return music.stream.complete ? timelineEndMs
                                 : static_cast<int>(music.stream.frameCount() * 1000 / outputRate);
}

// The page, as more of the data arrives: loading goes on if it waited for it.
extern "C" EMSCRIPTEN_KEEPALIVE void resumeLoading() {
    if (!loadingPaused || playing) return;
    loadingPaused = false;
    emscripten_resume_main_loop();
}

// The page's close button, and its answer to a lost WebGL context: the same request to end that
// closing the window makes natively, so the loop ends, the music stops and the page is told, on
// the loop's next pass.
extern "C" EMSCRIPTEN_KEEPALIVE void endPlayback() {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

// Runs as soon as the program is in: the data comes into the page's in-memory file system as it
// arrives (all of it first for a still frame).
int main() {
    for (const Chapter& chapter : chapters) pageChapter(chapter.startMs, chapter.name);
    const int stillMs = pageStillFrameMs();
    if (stillMs >= 0) {
        drawStillFrame(stillMs);
        return 0;
    }
    emscripten_set_main_loop(runBrowserFrame, 0, 0);
    emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
    return 0;
}
