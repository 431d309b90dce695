#include "scenes/CreditsScene.h"

namespace CreditsScene {

void load() {
}

void draw() {
}

} // namespace CreditsScene
