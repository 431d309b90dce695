#pragma once

namespace FigureScene {
void load();
void draw(float progress);
} // namespace FigureScene
