#pragma once

#include <string>

struct DemoOptions {
    bool gentle = false; // --gentle: the gentle flashes
};

// Reads the demo's command line. False with a one-line reason for anything else on it.
bool readDemoOptions(int argc, const char* const* argv, DemoOptions& options, std::string& error);
