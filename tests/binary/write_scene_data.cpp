// write-scene-data DIRECTORY: every picture and mesh the scenes load, for the tests that run the
// demo binary through its whole timeline without a message box.
#include "SceneData.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write-scene-data DIRECTORY\n");
        return 2;
    }
    return writeSceneData(argv[1]) ? 0 : 1;
}
