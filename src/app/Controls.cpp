#include "app/Controls.h"

#include "app/Timeline.h"
#include "audio/Music.h"
#include "audio/ShowClock.h"
#include "platform/PictureArea.h"
#include "scenes/GentleFlashes.h"

#include <GL/gl.h>
#include <algorithm>

namespace {

constexpr uint32_t timeBarMs = 2000;
uint32_t timeBarUntil = 0;
bool timeBarDrawn = false;
bool pictureStale = false;
bool primeWanted = false;
bool muted = false;

bool timeBarDue() {
    return timeBarUntil != 0 && ticksBetween(SDL_GetTicks(), timeBarUntil) > 0;
}

void showTimeBar() {
    timeBarUntil = SDL_GetTicks() + timeBarMs;
    if (timeBarUntil == 0) timeBarUntil = 1;
    pictureStale = true;
}

} // namespace

void togglePause() {
    if (showPaused())
        resumeShow();
    else
        pauseShow();
    primeWanted = primeWanted || !showPaused();
    pictureStale = true;
}

void seekTo(int32_t ms) {
    seekShow(std::clamp(ms, 0, lastSeekMs));
    primeWanted = true;
    pictureStale = true;
}

int32_t seekByTarget(int32_t ms) {
    const int32_t from = elapsedMs;
    const int32_t to = std::clamp(from + ms, 0, std::max(from, lastSeekMs));
    return ms > 0 ? std::max(to, from) : to;
}

void seekBy(int32_t ms) {
    seekTo(seekByTarget(ms));
}

void stepFrames(int frames) {
    if (!showPaused()) return;
    seekTo(frameStep(elapsedMs, frames, stepFps));
}

void setGentle(bool on) {
    if (on == gentleFlashes()) return;
    setGentleFlashes(on);
    primeWanted = true;
    pictureStale = true;
}

void toggleMute() {
    muted = !muted;
    setAudioGain(music.device, muted ? 0.0f : 1.0f);
}

bool handleViewerKey(const SDL_Event& event) {
    if (event.type != SDL_KEYDOWN) return false;
    const SDL_Keycode key = event.key.keysym.sym;
    // A key held down repeats: a seek goes on, a switch does not flicker.
    const bool repeat = event.key.repeat != 0;
    switch (key) {
    case SDLK_SPACE:
    case SDLK_k:
    case SDLK_AUDIOPLAY:
        if (!repeat) togglePause();
        break;
    case SDLK_AUDIOSTOP:
        if (!showPaused()) togglePause();
        break;
    case SDLK_LEFT:
        seekBy(-5000);
        break;
    case SDLK_RIGHT:
        seekBy(5000);
        break;
    case SDLK_j:
    case SDLK_AUDIOPREV:
    case SDLK_AUDIOREWIND:
        seekBy(-10000);
        break;
    case SDLK_l:
    case SDLK_AUDIONEXT:
    case SDLK_AUDIOFASTFORWARD:
        seekBy(10000);
        break;
    case SDLK_HOME:
        seekTo(0);
        break;
    case SDLK_END:
        seekTo(endKeyMs);
        break;
    case SDLK_PERIOD:
        stepFrames(1);
        break;
    case SDLK_COMMA:
        stepFrames(-1);
        break;
    case SDLK_0:
    case SDLK_1:
    case SDLK_2:
    case SDLK_3:
    case SDLK_4:
    case SDLK_5:
    case SDLK_6:
    case SDLK_7:
    case SDLK_8:
    case SDLK_9:
        seekTo((key - SDLK_0) * (timelineEndMs / 10));
        break;
    case SDLK_g:
        if (!repeat) setGentle(!gentleFlashes());
        return true;
    case SDLK_m:
    case SDLK_AUDIOMUTE:
    case SDLK_MUTE:
        if (!repeat) toggleMute();
        return true;
    default:
        return false;
    }
    showTimeBar();
    return true;
}

bool frameWanted() {
    return !showPaused() || pictureStale || timeBarDrawn != timeBarDue();
}

void noteWindowEvent(const SDL_Event& event) {
    if (event.type == SDL_WINDOWEVENT) pictureStale = true;
}

bool takePrimeWanted() {
    const bool wanted = primeWanted;
    primeWanted = false;
    return wanted;
}

void primeNextFrame() {
    primeWanted = true;
}

namespace {

void fill(int32_t x, int32_t y, int32_t width, int32_t height, float grey) {
    if (width <= 0 || height <= 0) return;
    glScissor(x, y, width, height);
    glClearColor(grey, grey, grey, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

} // namespace

void drawTimeBar(int32_t ms) {
    pictureStale = false;
    timeBarDrawn = timeBarDue();
    if (!timeBarDrawn) return;
    // Along the bottom of the picture: a dark track, the part played light, a dark notch where
    // each scene begins, and while paused two bars at its left.
    const PixelRect picture = fitPicture(drawableSize());
    const int32_t unit = std::max(2, picture.height / 160);
    const int32_t height = 2 * unit;
    const int32_t start = picture.x + picture.width / 20;
    const int32_t left = start + 6 * unit;
    const int32_t width = picture.width * 9 / 10 - 6 * unit;
    const int32_t y = picture.y + picture.height / 24;
    glEnable(GL_SCISSOR_TEST);
    fill(left - unit, y - unit, width + 2 * unit, height + 2 * unit, 0.1f);
    fill(left, y, width, height, 0.35f);
    const auto at = [&](int32_t t) {
        return left + static_cast<int32_t>(int64_t{width} * std::clamp(t, 0, timelineEndMs) /
                                           timelineEndMs);
    };
    fill(left, y, at(ms) - left, height, 0.9f);
    for (int i = 1; i < chapterCount; ++i) fill(at(chapters[i].startMs), y, unit, height, 0.1f);
    if (showPaused()) {
        fill(start - unit, y - 2 * unit, 5 * unit, 6 * unit, 0.1f);
        fill(start, y - unit, unit, 4 * unit, 0.9f);
        fill(start + 2 * unit, y - unit, unit, 4 * unit, 0.9f);
    }
    glDisable(GL_SCISSOR_TEST);
}
