#pragma once

namespace IntroScene {
void load();
void draw(float progress);
} // namespace IntroScene
