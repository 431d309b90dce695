#pragma once

// One OpenGL 2D texture made from a JPEG file. A failed load leaves name at 0, which binds
// OpenGL's default texture: the geometry then shows in the plain current colour.
struct Texture {
    unsigned name = 0;

    // Decodes the file, uploads it with the full mipmap chain and leaves it bound. Each failure
    // shows its message box and leaves name at 0. Needs the GL context.
    void loadJpeg(const char* fileName);
};
