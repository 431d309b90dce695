#include "OggWriter.h"

#include <cstdio>
#include <vorbis/vorbisenc.h>

namespace {

bool writePages(ogg_stream_state& stream, std::FILE* file, bool flush) {
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        if (std::fwrite(page.header, 1, page.header_len, file) != size_t(page.header_len) ||
            std::fwrite(page.body, 1, page.body_len, file) != size_t(page.body_len))
            return false;
    }
    return true;
}

struct Encoder {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
};

bool encodeAll(Encoder& e, std::FILE* file, const float* stereo, int64_t frames) {
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&e.dsp, &e.comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&e.stream, &header);
    ogg_stream_packetin(&e.stream, &commentHeader);
    ogg_stream_packetin(&e.stream, &codeHeader);
    // The audio must start on a fresh page.
    if (!writePages(e.stream, file, true)) return false;

    const int64_t chunk = 4096;
    for (int64_t done = 0;;) {
        const int64_t count = frames - done < chunk ? frames - done : chunk;
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&e.dsp, static_cast<int>(count));
            for (int64_t i = 0; i < count; ++i) {
                buffer[0][i] = stereo[2 * (done + i)];
                buffer[1][i] = stereo[2 * (done + i) + 1];
            }
        }
        // Zero frames marks the end of the stream.
        vorbis_analysis_wrote(&e.dsp, static_cast<int>(count));
        done += count;
        while (vorbis_analysis_blockout(&e.dsp, &e.block) == 1) {
            vorbis_analysis(&e.block, nullptr);
            vorbis_bitrate_addblock(&e.block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&e.dsp, &packet)) {
                ogg_stream_packetin(&e.stream, &packet);
                if (!writePages(e.stream, file, false)) return false;
            }
        }
        if (count == 0) break;
    }
    return writePages(e.stream, file, true);
}

} // namespace

bool writeOggVorbis(const char* fileName, const float* stereo, int64_t frames, int rate,
                    float quality, int serialNumber) {
    std::FILE* file = std::fopen(fileName, "wb");
    if (!file) return false;
    Encoder e;
    vorbis_info_init(&e.info);
    bool ok = vorbis_encode_init_vbr(&e.info, 2, rate, quality) == 0;
    if (ok) {
        vorbis_comment_init(&e.comment);
        vorbis_comment_add_tag(&e.comment, "ENCODER", "demo make-data");
        vorbis_analysis_init(&e.dsp, &e.info);
        vorbis_block_init(&e.dsp, &e.block);
        ogg_stream_init(&e.stream, serialNumber);
        ok = encodeAll(e, file, stereo, frames);
        ogg_stream_clear(&e.stream);
        vorbis_block_clear(&e.block);
        vorbis_dsp_clear(&e.dsp);
        vorbis_comment_clear(&e.comment);
    }
    vorbis_info_clear(&e.info);
    ok = std::fclose(file) == 0 && ok;
    if (!ok) std::remove(fileName);
    return ok;
}
