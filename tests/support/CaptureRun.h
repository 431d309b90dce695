#pragma once

// What the tests of demo-capture share: its command line read in this process, the real binary
// (DEMO_CAPTURE_PATH) run, and a scratch directory with the default data (DEMO_MAKE_DATA_PATH).

#include "CaptureOptions.h"
#include "RunCommand.h"
#include "ScratchDirectory.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

inline bool parse(std::vector<const char*> arguments, CaptureOptions& options, std::string& error) {
    arguments.insert(arguments.begin(), "demo-capture");
    return parseCaptureOptions(static_cast<int>(arguments.size()), arguments.data(), options,
                               error);
}

inline std::string capture(const std::string& arguments) {
    return std::string(DEMO_CAPTURE_PATH) + " " + arguments;
}

inline bool fileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// A scratch directory with the default data, as the demo would find it.
struct CaptureRun : ::testing::Test {
    ScratchDirectory scratch;
    void SetUp() override {
        ASSERT_EQ(runCommand(std::string(DEMO_MAKE_DATA_PATH) + " data").status, 0);
    }
};
