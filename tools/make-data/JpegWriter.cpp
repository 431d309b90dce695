#include "JpegWriter.h"

#include <cstdio>
#include <turbojpeg.h>

bool writeJpeg(const std::string& path, const Picture& picture, int quality) {
    tjhandle compressor = tjInitCompress();
    if (!compressor) return false;
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    bool written =
        tjCompress2(compressor, picture.rgb.data(), picture.width, 0, picture.height, TJPF_RGB,
                    &jpeg, &size, TJSAMP_444, quality, TJFLAG_ACCURATEDCT) == 0;
    if (written) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        written = file && std::fwrite(jpeg, 1, size, file) == size;
        if (file) written = std::fclose(file) == 0 && written;
        if (!written) std::remove(path.c_str());
    }
    tjFree(jpeg);
    tjDestroy(compressor);
    return written;
}
