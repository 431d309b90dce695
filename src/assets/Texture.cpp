#include "assets/Texture.h"

#include "assets/JpegDecoder.h"
#include "platform/MessageBox.h"
#include "platform/MipmapUpload.h"

#include <GL/gl.h>
#include <GL/glext.h> // GL_CLAMP_TO_EDGE is OpenGL 1.2: beyond Windows' gl.h
#include <algorithm>
#include <cstdlib>

namespace {

// Every failure releases all it holds before its box, which blocks until dismissed.
bool giveUp(JpegRecord& record, const char* text, const char* caption) {
    std::free(record.pixels);
    record.pixels = nullptr;
    releaseJpegRecord(record);
    showMessageBox(text, caption);
    return false;
}

// About this many pixels a step: a few milliseconds of decoding.
constexpr uint32_t pixelsPerStep = 1 << 16;

bool readHeader(JpegRecord& record, const char* fileName) {
    if (!initJpegRecord(record)) return giveUp(record, "Init error!", "Error");
    record.fileName = fileName;
    if (!readJpegParameters(record)) return giveUp(record, "Read params error!", "Error");
    return true;
}

bool startImage(JpegRecord& record) {
    // A picture over the size limit, or a buffer that cannot be had, leaves pixels null, and the
    // image step refuses it.
    const size_t bytes = jpegPixelBufferSize(record.width, record.height);
    if (bytes != 0) record.pixels = static_cast<uint8_t*>(std::malloc(bytes));
    if (!startJpegImage(record)) return giveUp(record, "Last error!", "Image Load Error");
    return true;
}

// Some rows more; Done hands the picture over and releases the decoder.
JpegRows decodeSomeRows(JpegRecord& record, RgbPicture& picture) {
    const JpegRows rows = readJpegRows(
        record, std::max<uint32_t>(1, pixelsPerStep / std::max<uint32_t>(1, record.width)));
    if (rows == JpegRows::Failed) {
        giveUp(record, "Last error!", "Image Load Error");
    } else if (rows == JpegRows::Done) {
        releaseJpegRecord(record);
        picture.pixels = record.pixels;
        picture.width = static_cast<int>(record.width);
        picture.height = static_cast<int>(record.height);
    }
    return rows;
}

} // namespace

bool decodeJpegFile(const char* fileName, RgbPicture& picture) {
    JpegRecord record;
    if (!readHeader(record, fileName) || !startImage(record)) return false;
    JpegRows rows = JpegRows::More;
    while (rows == JpegRows::More) rows = decodeSomeRows(record, picture);
    return rows == JpegRows::Done;
}

JpegTextureLoad beginJpegTexture(Texture& texture, const char* fileName, RgbPicture* keep) {
    JpegTextureLoad load;
    load.texture = &texture;
    load.fileName = fileName;
    load.keep = keep;
    return load;
}

bool stepJpegTexture(JpegTextureLoad& load) {
    enum { Header, Start, Rows, Upload };
    switch (load.stage) {
    case Header:
        load.record = new JpegRecord();
        if (!readHeader(*load.record, load.fileName)) break;
        load.stage = Start;
        return false;
    case Start:
        if (!startImage(*load.record)) break;
        load.stage = Rows;
        return false;
    case Rows: {
        const JpegRows rows = decodeSomeRows(*load.record, load.picture);
        if (rows == JpegRows::Failed) break;
        if (rows == JpegRows::Done) load.stage = Upload;
        return false;
    }
    case Upload:
        if (!stepMipmappedTexture(load.upload, load.picture)) return false;
        load.texture->name = load.upload.name;
        if (load.keep)
            *load.keep = load.picture;
        else
            freeRgbPicture(load.picture);
        break;
    }
    delete load.record;
    load.record = nullptr;
    return true;
}

unsigned uploadMipmappedTexture(const RgbPicture& picture) {
    MipmappedTextureUpload upload;
    while (!stepMipmappedTexture(upload, picture)) continue;
    return upload.name;
}

bool stepMipmappedTexture(MipmappedTextureUpload& upload, const RgbPicture& picture) {
    if (!upload.name) {
        glGenTextures(1, &upload.name);
        glBindTexture(GL_TEXTURE_2D, upload.name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        upload.levels =
            beginMipmapUpload(upload.name, picture.pixels, picture.width, picture.height);
    }
    if (!stepMipmapUpload(upload.levels)) return false;
    upload.levels = nullptr;
    // The chain's last step leaves the texture bound.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return true;
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
    JpegTextureLoad load = beginJpegTexture(*this, fileName, &decoded);
    while (!stepJpegTexture(load)) continue;
}
