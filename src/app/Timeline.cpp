#include "app/Timeline.h"

#include "scenes/BannerScene.h"
#include "scenes/CreditsScene.h"
#include "scenes/FigureScene.h"
#include "scenes/IntroScene.h"
#include "scenes/SphereScene.h"
#include "scenes/StarScene.h"

#include <cmath>

// Rows draw in table order within a frame: the banner first, so that it lays down the depth
// everything after it is tested against.
const ScheduleRow schedule[scheduleRowCount] = {
    {{0, 132500}, BannerScene::draw, BannerScene::load},
    {{0, 13000}, IntroScene::draw, IntroScene::load},
    {{13000, 46000}, FigureScene::draw, FigureScene::load},
    {{46000, 60000}, SphereScene::draw, SphereScene::load},
    {{73000, 102000}, StarScene::draw, StarScene::load},
    {{133000, 136000}, [](float) { CreditsScene::draw(); }, CreditsScene::load},
};

const Chapter chapters[chapterCount] = {
    {0, "Intro"},    {13000, "Figure"}, {26000, "Inside"}, {46000, "Sphere"},
    {60000, "City"}, {73000, "Star"},   {102000, "City"},  {132500, "Credits"},
};

bool inWindow(int32_t t, TimeWindow window) {
    return window.start <= t && t <= window.end;
}

float progress(int32_t t, TimeWindow window) {
    if (t <= window.start) return 0.0f;
    if (t >= window.end) return 1.0f;
    const int64_t done = int64_t{t} - window.start;
    const int64_t span = int64_t{window.end} - window.start;
    return static_cast<float>(static_cast<double>(done) / static_cast<double>(span));
}

int32_t instantOfFrame(int64_t n, int fps) {
    return static_cast<int32_t>(std::llround(static_cast<double>(n) * 1000.0 / fps));
}

int32_t frameStep(int32_t ms, int frames, int fps) {
    // The frame at or before ms, found from an estimate that rounding may leave one off.
    auto n = static_cast<int64_t>(std::floor(static_cast<double>(ms) * fps / 1000.0)) + 1;
    while (instantOfFrame(n, fps) > ms) --n;
    if (frames > 0 || instantOfFrame(n, fps) == ms) return instantOfFrame(n + frames, fps);
    return instantOfFrame(n + frames + 1, fps);
}
