#include "assets/Texture.h"

#include "assets/JpegDecoder.h"
#include "platform/MessageBox.h"

#include <GL/gl.h>
#include <GL/glext.h> // GL_CLAMP_TO_EDGE is OpenGL 1.2: beyond Windows' gl.h
#include <GL/glu.h>
#include <cstdlib>

namespace {

// Every failure releases all it holds before its box, which blocks until dismissed.
bool giveUp(JpegRecord& record, const char* text, const char* caption) {
    std::free(record.pixels);
    releaseJpegRecord(record);
    showMessageBox(text, caption);
    return false;
}

} // namespace

bool decodeJpegFile(const char* fileName, RgbPicture& picture) {
    JpegRecord record;
    if (!initJpegRecord(record)) return giveUp(record, "Init error!", "Error");
    record.fileName = fileName;
    if (!readJpegParameters(record)) return giveUp(record, "Read params error!", "Error");
    // A picture over the size limit, or a buffer that cannot be had, leaves pixels null, and the
    // image step refuses it.
    const size_t bytes = jpegPixelBufferSize(record.width, record.height);
    if (bytes != 0) record.pixels = static_cast<uint8_t*>(std::malloc(bytes));
    if (!readJpegImage(record)) return giveUp(record, "Last error!", "Image Load Error");
    releaseJpegRecord(record);
    picture.pixels = record.pixels;
    picture.width = static_cast<int>(record.width);
    picture.height = static_cast<int>(record.height);
    return true;
}

unsigned uploadMipmappedTexture(const RgbPicture& picture) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // Rows are width * 3 bytes with no padding; the default alignment of 4 would shear any
    // picture whose width is not a multiple of 4.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, picture.width, picture.height, GL_RGB, GL_UNSIGNED_BYTE,
                      picture.pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return name;
}

void freeRgbPicture(RgbPicture& picture) {
    std::free(picture.pixels);
    picture = RgbPicture{};
}

void Texture::loadJpeg(const char* fileName) {
    RgbPicture picture;
    loadJpeg(fileName, picture);
    freeRgbPicture(picture);
}

void Texture::loadJpeg(const char* fileName, RgbPicture& decoded) {
    if (decodeJpegFile(fileName, decoded)) name = uploadMipmappedTexture(decoded);
}
