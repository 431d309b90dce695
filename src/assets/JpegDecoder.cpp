#include "assets/JpegDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <new>

#include <jpeglib.h>

struct JpegSession {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    std::jmp_buf escape;
    std::FILE* file;
    uint8_t* pixels;
    // Off while the header is read (its warnings are about metadata), on for the image data.
    bool warningsFail;
    JDIMENSION rowsWanted; // by the next step of rows
    bool finished;
};

namespace {

JpegSession& sessionOf(j_common_ptr info) {
    return *static_cast<JpegSession*>(info->client_data);
}

// libjpeg's own error_exit ends the process. Ours jumps back to the guard of the running step.
[[noreturn]] void leaveStep(j_common_ptr info) {
    std::longjmp(sessionOf(info).escape, 1);
}

// libjpeg only warns about truncated or corrupt image data and fills the rest with grey.
void judgeMessage(j_common_ptr info, int level) {
    if (level < 0 && sessionOf(info).warningsFail) leaveStep(info);
}

// Runs one step so that any libjpeg error makes it return false. The steps hold no C++ objects
// with destructors: the jump would skip them.
bool runGuarded(JpegSession& session, void (*step)(JpegSession&)) {
    if (setjmp(session.escape) != 0) return false;
    step(session);
    return true;
}

void createDecoder(JpegSession& session) {
    jpeg_create_decompress(&session.info);
}

void readHeader(JpegSession& session) {
    jpeg_stdio_src(&session.info, session.file);
    jpeg_read_header(&session.info, TRUE);
}

// Hands libjpeg the rows of the final buffer, so nothing is copied after decoding.
void decodeRgbRows(JpegSession& session, JDIMENSION until) {
    jpeg_decompress_struct& info = session.info;
    const size_t rowBytes = size_t{info.output_width} * 3;
    constexpr JDIMENSION batch = 16;
    JSAMPROW rows[batch];
    while (info.output_scanline < until) {
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min(batch, until - first);
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = session.pixels + (first + i) * rowBytes;
        jpeg_read_scanlines(&info, rows, count);
    }
}

// libjpeg gives CMYK as it is stored: inverted (255 is no ink) in the files of Adobe and
// TurboJPEG, which mark themselves with Adobe's segment; as ink amounts in any other.
void decodeCmykRows(JpegSession& session, JDIMENSION until) {
    jpeg_decompress_struct& info = session.info;
    const JDIMENSION width = info.output_width;
    JSAMPARRAY cmyk =
        info.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, width * 4, 1);
    const unsigned flip = info.saw_Adobe_marker ? 0 : 255;
    while (info.output_scanline < until) {
        uint8_t* rgb = session.pixels + size_t{info.output_scanline} * width * 3;
        jpeg_read_scanlines(&info, cmyk, 1);
        const uint8_t* in = cmyk[0];
        for (JDIMENSION x = 0; x < width; ++x, in += 4, rgb += 3) {
            const unsigned k = in[3] ^ flip;
            for (int c = 0; c < 3; ++c)
                rgb[c] = static_cast<uint8_t>(((in[c] ^ flip) * k + 127) / 255);
        }
    }
}

bool isCmyk(const jpeg_decompress_struct& info) {
    return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
}

void startImage(JpegSession& session) {
    session.info.out_color_space = isCmyk(session.info) ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&session.info);
}

void decodeRows(JpegSession& session) {
    jpeg_decompress_struct& info = session.info;
    const JDIMENSION stop = info.output_scanline +
                            std::min(session.rowsWanted, info.output_height - info.output_scanline);
    if (isCmyk(info))
        decodeCmykRows(session, stop);
    else
        decodeRgbRows(session, stop);
    if (info.output_scanline < info.output_height) return;
    // Reads on to the end marker, so a file cut off after its last row still counts as truncated.
    jpeg_finish_decompress(&info);
    session.finished = true;
}

} // namespace

bool initJpegRecord(JpegRecord& record) {
    JpegSession* session = new (std::nothrow) JpegSession();
    if (!session) return false;
    record.session = session;
    session->info.err = jpeg_std_error(&session->errors);
    session->errors.error_exit = leaveStep;
    session->errors.emit_message = judgeMessage;
    session->info.client_data = session;
    return runGuarded(*session, createDecoder);
}

bool readJpegParameters(JpegRecord& record) {
    JpegSession& session = *record.session;
    session.file = std::fopen(record.fileName, "rb");
    if (!session.file || !runGuarded(session, readHeader)) return false;
    record.width = session.info.image_width;
    record.height = session.info.image_height;
    return true;
}

bool readJpegImage(JpegRecord& record) {
    if (!startJpegImage(record)) return false;
    JpegRows rows = JpegRows::More;
    while (rows == JpegRows::More) rows = readJpegRows(record, record.height);
    return rows == JpegRows::Done;
}

bool startJpegImage(JpegRecord& record) {
    if (!record.pixels || jpegPixelBufferSize(record.width, record.height) == 0) return false;
    JpegSession& session = *record.session;
    session.pixels = record.pixels;
    session.warningsFail = true;
    return runGuarded(session, startImage);
}

JpegRows readJpegRows(JpegRecord& record, uint32_t rows) {
    JpegSession& session = *record.session;
    if (session.finished) return JpegRows::Done;
    session.rowsWanted = std::max<JDIMENSION>(1, rows);
    if (!runGuarded(session, decodeRows)) return JpegRows::Failed;
    return session.finished ? JpegRows::Done : JpegRows::More;
}

void releaseJpegRecord(JpegRecord& record) {
    JpegSession* session = record.session;
    if (!session) return;
    jpeg_destroy_decompress(&session->info);
    if (session->file) std::fclose(session->file);
    delete session;
    record.session = nullptr;
}

size_t jpegPixelBufferSize(uint32_t width, uint32_t height) {
    const uint64_t pixels = uint64_t{width} * height;
    if (pixels == 0 || pixels > maxJpegPixels) return 0;
    return static_cast<size_t>(pixels * 3);
}
