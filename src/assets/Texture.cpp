#include "assets/Texture.h"

void Texture::loadJpeg(const char*) {}
