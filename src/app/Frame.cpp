#include "app/Frame.h"

#include "app/Loading.h"
#include "app/Timeline.h"
#include "assets/AssetQueue.h"
#include "audio/Music.h"
#include "audio/ShowClock.h"
#include "platform/DisplaySettings.h"
#include "platform/PictureArea.h"
#include "scenes/GentleFlashes.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>

const Vec3 clearColour{0.0f, 0.0f, 0.0f};

namespace {

// The clear takes the whole drawable, bars included; the viewport then maps the demo's space onto
// the picture's part of it, so every scene draws in that space whatever the drawable's size.
void clearWholeWindow() {
    glClearColor(clearColour.x, clearColour.y, clearColour.z, 1.0f);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const PixelRect picture = fitPicture(drawableSize());
    glViewport(picture.x, picture.y, picture.width, picture.height);
}

} // namespace

void setInitialGlState() {
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    clearWholeWindow();
}

void loadScenes() {
    queueSceneAssets();
    loadQueuedAssets();
}

void primeFrameState(int32_t ms) {
    if (ms <= 0) return; // the very first frame is drawn without blending
    // Blending, once on, is on for good: a context that has drawn any frame has it already (a
    // seek in the live demo), and only a fresh one needs the intro's first frame for it.
    if (!glIsEnabled(GL_BLEND)) {
        pinSpectrumClock(0);
        drawFrame(0);
    }
    // A frame the banner draws starts from the state the banner sets; after the banner's end the
    // credits draw with what its last frame left.
    const int32_t bannerEnd = schedule[0].window.end;
    if (ms <= bannerEnd) return;
    pinSpectrumClock(bannerEnd);
    drawFrame(bannerEnd);
}

void beginFrame(int32_t ms) {
    clearWholeWindow();
    elapsedMs = ms;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(displaySettings.width) / displaySettings.height, 0.5,
                   5000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void drawFrame(int32_t ms) {
    beginFrame(ms);
    for (const ScheduleRow& row : schedule)
        if (inWindow(elapsedMs, row.window)) row.draw(progress(elapsedMs, row.window));
    if (gentleFlashes()) drawGentleGlow();
}
