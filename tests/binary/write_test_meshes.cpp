// write-test-meshes DIRECTORY: a small mesh under every name the demo loads, so that a run of the
// demo binary meets no missing-mesh box, which would wait for its OK.
#include "SceneData.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write-test-meshes DIRECTORY\n");
        return 2;
    }
    return writeSceneMeshes(argv[1]) ? 0 : 1;
}
