#include "scenes/StarScene.h"

namespace StarScene {

void load() {
}

void draw(float) {
}

} // namespace StarScene
