#pragma once

#include <cstdint>

// A decoded picture: width * height RGB pixels, top row first, rows without padding.
struct RgbPicture {
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// One OpenGL 2D texture made from a JPEG file. A failed load leaves name at 0, which binds
// OpenGL's default texture: the geometry then shows in the plain current colour.
struct Texture {
    unsigned name = 0;

    // Decodes the file, uploads it with the full mipmap chain and leaves it bound. Each failure
    // shows its message box and leaves name at 0. Needs the GL context.
    void loadJpeg(const char* fileName);
    // The same, handing the decoded picture to the caller, who frees it (empty on failure).
    void loadJpeg(const char* fileName, RgbPicture& decoded);
};

// loadJpeg in steps short enough that a browser's page stays responsive through a large picture:
// the header (the first step, which finds a missing file or one that is no JPEG), the rows a batch
// at a time, then the upload, a level (or a band of a scaled level) at a time. The same messages,
// in the same order.
struct JpegRecord;
struct MipmapUpload;

// uploadMipmappedTexture in steps, a level (or a band of a scaled level) at a time where the
// platform can (platform/MipmapUpload.h): steps until one returns true, with the texture bound
// and named. The picture must stay as it is until then.
struct MipmappedTextureUpload {
    unsigned name = 0;
    MipmapUpload* levels = nullptr;
};
bool stepMipmappedTexture(MipmappedTextureUpload& upload, const RgbPicture& picture);

struct JpegTextureLoad {
    Texture* texture = nullptr;
    const char* fileName = nullptr;
    RgbPicture* keep = nullptr; // where the decoded picture goes, if the caller wants it
    JpegRecord* record = nullptr;
    RgbPicture picture;
    MipmappedTextureUpload upload;
    int stage = 0;
};
JpegTextureLoad beginJpegTexture(Texture& texture, const char* fileName, RgbPicture* keep);
// One step; true once the load has ended, loaded or failed (with its message shown).
bool stepJpegTexture(JpegTextureLoad& load);

// The two halves of loadJpeg, callable apart so that each can be timed.
// On failure shows the failing step's message box and returns false holding nothing.
bool decodeJpegFile(const char* fileName, RgbPicture& picture);
// Makes a new texture of the picture with its full mipmap chain, leaves it bound and returns its
// name.
unsigned uploadMipmappedTexture(const RgbPicture& picture);
void freeRgbPicture(RgbPicture& picture);
