#pragma once

#include <cstdint>
#include <string>

struct DemoOptions {
    bool gentle = false; // --gentle: the gentle flashes
    int32_t startMs = 0; // --start TIME: where the show starts
};

// Reads the demo's command line. False with a one-line reason for anything else on it.
bool readDemoOptions(int argc, const char* const* argv, DemoOptions& options, std::string& error);

// An instant of the show as a viewer writes it: seconds ("80", "40.817") or minutes and seconds
// ("1:20"), to the millisecond. False for anything else, negatives included.
bool readShowTime(const std::string& text, int32_t& ms);
