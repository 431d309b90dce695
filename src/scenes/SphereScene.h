#pragma once

namespace SphereScene {
void load();
void draw(float progress);
} // namespace SphereScene
