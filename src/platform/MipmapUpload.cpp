#include "platform/MipmapUpload.h"

// The browser's steps are in platform/web/GlCompat.cpp, beside its GLU.
#ifndef __EMSCRIPTEN__
#include <GL/gl.h>
#include <GL/glu.h>

struct MipmapUpload {
    unsigned texture;
    const uint8_t* rgb;
    int width;
    int height;
};

MipmapUpload* beginMipmapUpload(unsigned texture, const uint8_t* rgb, int width, int height) {
    return new MipmapUpload{texture, rgb, width, height};
}

bool stepMipmapUpload(MipmapUpload* upload) {
    if (!upload) return true;
    glBindTexture(GL_TEXTURE_2D, upload->texture);
    // Rows are width * 3 bytes with no padding; the default alignment of 4 would shear any
    // picture whose width is not a multiple of 4.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, upload->width, upload->height, GL_RGB, GL_UNSIGNED_BYTE,
                      upload->rgb);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    delete upload;
    return true;
}
#endif
