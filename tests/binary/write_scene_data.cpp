// write-scene-data DIRECTORY: a small picture and mesh under every name the demo loads, so that a
// run of the demo binary meets no missing-file box, which would wait for its OK.
#include "SceneData.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write-scene-data DIRECTORY\n");
        return 2;
    }
    return writeSceneData(argv[1]) ? 0 : 1;
}
