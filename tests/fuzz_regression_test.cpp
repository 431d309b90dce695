// Every input that once made a fuzz target fail, replayed through the same checks in the ordinary
// test runs (and so under the sanitizers too).
#include "LoaderChecks.h"

#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Check = bool (*)(const uint8_t*, size_t, std::string&);

std::vector<std::string> savedInputs(const std::string& target) {
    const std::string directory = std::string(DEMO_FUZZ_REGRESSIONS) + "/" + target;
    std::vector<std::string> files;
    if (DIR* listing = opendir(directory.c_str())) {
        while (const dirent* entry = readdir(listing))
            if (entry->d_name[0] != '.') files.push_back(directory + "/" + entry->d_name);
        closedir(listing);
    }
    return files;
}

void replay(const std::string& target, Check check, size_t atLeast) {
    const std::vector<std::string> files = savedInputs(target);
    EXPECT_GE(files.size(), atLeast) << "saved inputs of " << target << " are missing";
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        std::string failure;
        EXPECT_TRUE(check(bytes.data(), bytes.size(), failure)) << file << ": " << failure;
    }
}

} // namespace

TEST(FuzzFindings, OggTrackInputsDecodeWithinTheLimitOrFail) {
    replay("ogg-track", checkOggTrack, 1);
}
