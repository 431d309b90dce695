#include "scenes/FigureScene.h"

namespace FigureScene {

void load() {
}

void draw(float) {
}

} // namespace FigureScene
