// Writes the demo's default data into a directory (default "data"), leaving files that are
// already there alone; or the application icon, or the version.
#include "DataSet.h"
#include "Icon.h"
#include "Version.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("make-data " DEMO_VERSION);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--icons") == 0) return writeIcons(argv[2]) ? 0 : 1;
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: make-data [DIRECTORY]      the default data (default: data)\n"
                             "       make-data --icons DIRECTORY the icon: NxN.png and demo.ico\n"
                             "       make-data --version\n");
        return 2;
    }
    return writeMissingData(argc == 2 ? argv[1] : "data") ? 0 : 1;
}
