// write-test-track PATH SECONDS: a quiet sine track for the tests that run the demo binary.
#include "TestTrack.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: write-test-track PATH SECONDS\n");
        return 2;
    }
    return writeSineTrack(argv[1], std::atof(argv[2]), 440.0, 0.2) ? 0 : 1;
}
