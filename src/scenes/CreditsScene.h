#pragma once

namespace CreditsScene {
void load();
void draw();
} // namespace CreditsScene
