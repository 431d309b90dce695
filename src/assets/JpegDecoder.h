#pragma once

#include <cstddef>
#include <cstdint>

// The largest picture we decode: 32 megapixels, 96 MiB of RGB (8192 x 4096, for example). A
// header that claims more is refused before anything of its size is allocated.
inline constexpr uint64_t maxJpegPixels = uint64_t{1} << 25;

struct JpegSession; // libjpeg's state, private to the decoder

// One decoding of one JPEG file, in three steps: initJpegRecord, readJpegParameters,
// readJpegImage; then releaseJpegRecord, on every path. Start from a value-initialised record.
// Every picture comes out as 3-channel RGB, so there is no field to ask for a format.
struct JpegRecord {
    const char* fileName = nullptr; // set before readJpegParameters
    uint32_t width = 0;             // filled by readJpegParameters
    uint32_t height = 0;            // filled by readJpegParameters
    // Set before readJpegImage: width * height * 3 bytes, which it fills with the picture's rows,
    // top row first, each left to right, with no gap between rows. Owned by the caller.
    uint8_t* pixels = nullptr;
    JpegSession* session = nullptr;
};

// False when the decoder cannot be set up (no memory).
bool initJpegRecord(JpegRecord& record);
// Opens the file and reads its header. False for a file that cannot be opened or read, an empty
// file, one that is not a JPEG, and a header libjpeg rejects.
bool readJpegParameters(JpegRecord& record);
// Decodes the whole picture into record.pixels. False for corrupt or truncated image data
// (libjpeg's warnings count as failures here: it would otherwise pad the picture with grey), for
// colour spaces it cannot turn into RGB, and for a picture over maxJpegPixels.
bool readJpegImage(JpegRecord& record);
// The same in steps, so that a large picture need not hold a page up: startJpegImage, then
// readJpegRows until it says Done or Failed. Each fails as readJpegImage would.
bool startJpegImage(JpegRecord& record);
enum class JpegRows { More, Done, Failed };
JpegRows readJpegRows(JpegRecord& record, uint32_t rows);
// Closes the file and frees the decoder, whatever step the record reached. Leaves pixels alone.
void releaseJpegRecord(JpegRecord& record);

// The bytes of the RGB buffer for a picture of this size, or 0 when it is over maxJpegPixels.
size_t jpegPixelBufferSize(uint32_t width, uint32_t height);
