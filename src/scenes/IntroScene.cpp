#include "scenes/IntroScene.h"

namespace IntroScene {

void load() {
}

void draw(float) {
}

} // namespace IntroScene
