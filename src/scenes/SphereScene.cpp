#include "scenes/SphereScene.h"

namespace SphereScene {

void load() {
}

void draw(float) {
}

} // namespace SphereScene
