#include "scenes/BannerScene.h"

namespace BannerScene {

void load() {
}

void draw(float) {
}

} // namespace BannerScene
