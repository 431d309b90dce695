#pragma once

namespace BannerScene {
void load();
void draw(float progress);
} // namespace BannerScene
