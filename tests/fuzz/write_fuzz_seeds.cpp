// write-fuzz-seeds DIRECTORY: small, valid inputs for each fuzz target, from the writers the tests
// and make-data already have, in DIRECTORY/obj-reader, jpeg-decoder and ogg-track.
#include "DataSet.h"
#include "OggWriter.h"
#include "SceneData.h"
#include "TestPictures.h"
#include "TestTrack.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// The reader's corners: quads, comments that hold "v ", octal and hexadecimal indices, the
// v//vn and plain forms, negative and zero indices, and a line longer than one piece.
const char* const objCorners = "# a square, with a comment that holds v and f \n"
                               "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                               "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
                               "f 1/1/1 2/2/1 3/3/1 4/4/1\n"
                               "f 01/01/1 0x2/0x2/1 03/3/1\n"
                               "f 1//1 2//1 3//1\nf 1 2 3\nf -1/-1/1 0/0/1 4/4/1\n"
                               "v 0.000000000000000000000000000000000000000000000001 "
                               "2.0000000000000000000000000000000000000000000000 3e-2\n";

bool writeRaw(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::vector<uint8_t> gradient(int width, int height, int channels) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * channels);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 % 251);
    return pixels;
}

bool writeTone(const std::string& path, int rate, double seconds, float quality) {
    const auto frames = static_cast<int64_t>(seconds * rate);
    std::vector<float> stereo(static_cast<size_t>(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        stereo[2 * i] = static_cast<float>(0.5 * std::sin(0.05 * static_cast<double>(i)));
        stereo[2 * i + 1] = static_cast<float>(0.3 * std::sin(0.011 * static_cast<double>(i)));
    }
    return writeOggVorbis(path.c_str(), stereo.data(), frames, rate, quality);
}

bool writeDataFile(const std::string& name, const std::string& path) {
    for (const DataFile& file : defaultDataSet())
        if (name == file.name) return file.write(path);
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write-fuzz-seeds DIRECTORY\n");
        return 2;
    }
    const std::string root = argv[1];
    const std::string obj = root + "/obj-reader/", jpeg = root + "/jpeg-decoder/",
                      ogg = root + "/ogg-track/";
    for (const std::string& directory : {root, obj, jpeg, ogg}) mkdir(directory.c_str(), 0755);

    bool ok = writeObj(obj + "octahedron.obj", octahedronObj(1.0f)) &&
              writeObj(obj + "sphere.obj", sphereObj(1.0f, 4, 6)) &&
              writeRaw(obj + "corners.obj", objCorners) &&
              writeDataFile("star.obj", obj + "star.obj");

    ok = ok && writeSolidJpeg(jpeg + "solid.jpg", 8, 8, 200, 100, 50) &&
         writeQuadrantJpeg(jpeg + "quadrants.jpg", 17, 9) &&
         writeJpeg(jpeg + "grey.jpg", 16, 16, gradient(16, 16, 1), JpegKind::Greyscale) &&
         writeJpeg(jpeg + "cmyk.jpg", 8, 16, gradient(8, 16, 4), JpegKind::Cmyk) &&
         writeJpeg(jpeg + "progressive.jpg", 24, 8, gradient(24, 8, 3), JpegKind::Rgb, true);

    ok = ok && writeSineTrack(ogg + "sine.ogg", 0.05, 440.0, 0.5) &&
         writeSineTrack(ogg + "silence.ogg", 0.05, 440.0, 0.0) &&
         writeTone(ogg + "22050.ogg", 22050, 0.1, 0.0f) &&
         writeTone(ogg + "8000.ogg", 8000, 0.2, -0.1f);
    if (!ok) std::fprintf(stderr, "write-fuzz-seeds: could not write every seed\n");
    return ok ? 0 : 1;
}
