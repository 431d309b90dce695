// A libFuzzer target: the bytes as a file for one of the demo's loaders, then the checks of
// LoaderChecks.h. Built once per loader, with FUZZ_CHECK naming the check.
#include "LoaderChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string failure;
    if (!FUZZ_CHECK(data, size, failure)) {
        std::fprintf(stderr, "loader check failed: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
