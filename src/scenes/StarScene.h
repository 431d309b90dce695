#pragma once

namespace StarScene {
void load();
void draw(float progress);
} // namespace StarScene
