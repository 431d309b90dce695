// write-test-pictures DIRECTORY: a small picture under every name the demo loads, so that a run of
// the demo binary meets no missing-picture box, which would wait for its OK.
#include "TestPictures.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write-test-pictures DIRECTORY\n");
        return 2;
    }
    for (const char* name : {"city_bw.jpg", "city_bw1.jpg", "logo1.jpg", "texture3.jpg",
                             "texture5.jpg", "texture6.jpg", "texture7.jpg", "credits.jpg"})
        if (!writeQuadrantJpeg(std::string(argv[1]) + "/" + name, 64, 64)) return 1;
    return 0;
}
