// The fixed-function calls that emscripten's legacy GL emulation lacks or gets wrong, so that the
// scenes call glRectf, gluLookAt, gluPerspective and gluBuild2DMipmaps on the web as they do
// natively. Defined here, they take the place of the emulation's own.

#include "platform/MipmapUpload.h"
#include "platform/web/GluMatrices.h"
#include "platform/web/GluMipmaps.h"

#include <GL/gl.h>
#include <GL/glu.h>

extern "C" {

// The emulation's entry under its other name, so that the one below can hand calls on.
void emscripten_glHint(GLenum target, GLenum mode);

// WebGL knows no line-smoothing hint and reports INVALID_ENUM on the console; GL treats hints as
// advice anyway.
void glHint(GLenum target, GLenum mode) {
    if (target == GL_LINE_SMOOTH_HINT) return;
    emscripten_glHint(target, mode);
}

// Missing from the emulation, whose immediate mode draws quads but not polygons.
void glRectf(GLfloat x1, GLfloat y1, GLfloat x2, GLfloat y2) {
    glBegin(GL_QUADS);
    glVertex2f(x1, y1);
    glVertex2f(x2, y1);
    glVertex2f(x2, y2);
    glVertex2f(x1, y2);
    glEnd();
}

// The emulation's version replaces the current matrix (and mixes up its arguments); GLU
// multiplies onto it.
void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
               GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    float rotation[16];
    lookAtRotation(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ, rotation);
    glMultMatrixf(rotation);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    double matrix[16];
    if (perspectiveMatrix(fovy, aspect, zNear, zFar, matrix)) glMultMatrixd(matrix);
}

} // extern "C"

namespace {

struct Upload {
    GLenum target;
    GLenum format;
};

void uploadLevel(void* context, int level, int width, int height, int alignment,
                 const uint8_t* pixels) {
    const Upload& upload = *static_cast<const Upload*>(context);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glTexImage2D(upload.target, level, static_cast<GLint>(upload.format), width, height, 0,
                 upload.format, GL_UNSIGNED_BYTE, pixels);
}

int componentsOf(GLenum format) {
    switch (format) {
    case GL_ALPHA:
    case GL_LUMINANCE:
        return 1;
    case GL_LUMINANCE_ALPHA:
        return 2;
    case GL_RGB:
        return 3;
    case GL_RGBA:
        return 4;
    default:
        return 0;
    }
}

} // namespace

extern "C" {

// Missing from the emulation. 8-bit pictures only, which is all the demo uploads. WebGL takes no
// component count or sized format where GL 1.1 does: the texture keeps the picture's format.
GLint gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height,
                        GLenum format, GLenum type, const void* data) {
    (void)internalFormat;
    const int components = componentsOf(format);
    if (type != GL_UNSIGNED_BYTE || components == 0) return GLU_INVALID_ENUM;
    if (width < 1 || height < 1) return GLU_INVALID_VALUE;
    GLint alignment = 4, maxSize = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    Upload upload{target, format};
    const bool built = buildMipmapLevels(static_cast<const uint8_t*>(data), width, height,
                                         components, alignment, maxSize, uploadLevel, &upload);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return built ? 0 : GLU_OUT_OF_MEMORY;
}

} // extern "C"

// The chain in steps (platform/MipmapUpload.h): a band of scaled rows a step costs about as much
// as a level of the banner's picture, a few milliseconds.
struct MipmapUpload {
    unsigned texture;
    MipmapBuild build;
};

namespace {
constexpr int scaledRowsPerStep = 64;
}

MipmapUpload* beginMipmapUpload(unsigned texture, const uint8_t* rgb, int width, int height) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    auto* upload = new MipmapUpload{texture, {}};
    if (startMipmapBuild(upload->build, rgb, width, height, 3, 1, maxSize)) return upload;
    delete upload;
    return nullptr;
}

bool stepMipmapUpload(MipmapUpload* upload) {
    if (!upload) return true;
    glBindTexture(GL_TEXTURE_2D, upload->texture);
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    Upload level{GL_TEXTURE_2D, GL_RGB};
    const bool done = stepMipmapBuild(upload->build, uploadLevel, &level, scaledRowsPerStep);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    if (done) delete upload;
    return done;
}
