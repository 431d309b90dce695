// Writes the demo's default data into a directory (default "data"), leaving files that are
// already there alone.
#include "DataSet.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: make-data [DIRECTORY]\n");
        return 2;
    }
    return writeMissingData(argc == 2 ? argv[1] : "data") ? 0 : 1;
}
