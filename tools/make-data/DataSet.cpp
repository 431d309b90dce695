#include "DataSet.h"

#include "Font.h"
#include "JpegWriter.h"
#include "Meshes.h"
#include "MusicGenerator.h"
#include "ObjWriter.h"
#include "OggWriter.h"
#include "Pictures.h"

#include <cstdio>
#include <sys/stat.h>

namespace {

bool writeTrack(const std::string& path) {
    const std::vector<float> stereo = MusicGenerator::renderTrack();
    return writeOggVorbis(path.c_str(), stereo.data(), static_cast<int64_t>(stereo.size() / 2),
                          MusicGenerator::sampleRate);
}

template <Picture (*draw)()> bool writePicture(const std::string& path) {
    const Picture picture = draw();
    return !anyFontMissing() && writeJpeg(path, picture);
}

template <TriangleMesh (*make)()> bool writeMesh(const std::string& path) {
    return writeObj(path, make());
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

} // namespace

const std::vector<DataFile>& defaultDataSet() {
    static const std::vector<DataFile> files{
        {"music.ogg", writeTrack},
        {"city_bw.jpg", writePicture<drawCalmCity>},
        {"city_bw1.jpg", writePicture<drawLoudCity>},
        {"logo1.jpg", writePicture<drawLogo>},
        {"texture3.jpg", writePicture<drawMarbleTiles>},
        {"texture5.jpg", writePicture<drawMetalPlates>},
        {"texture6.jpg", writePicture<drawCircuitBoard>},
        {"texture7.jpg", writePicture<drawColourNoise>},
        {"credits.jpg", writePicture<drawCredits>},
        {"sphere1.obj", writeMesh<makeChainSphere>},
        {"sphere2.obj", writeMesh<makeTiledBall>},
        {"star.obj", writeMesh<makeStar>},
        {"figure.obj", writeMesh<makeKnot>},
        {"inside.obj", writeMesh<makeTunnel>},
    };
    return files;
}

bool writeMissingData(const std::string& directory) {
    mkdir(directory.c_str(), 0755);
    for (const DataFile& file : defaultDataSet()) {
        const std::string path = directory + "/" + file.name;
        if (exists(path)) continue;
        if (!file.write(path)) {
            std::fprintf(stderr, "make-data: cannot write %s\n", path.c_str());
            return false;
        }
        std::printf("make-data: wrote %s\n", path.c_str());
    }
    return true;
}
