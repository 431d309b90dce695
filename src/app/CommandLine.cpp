#include "app/CommandLine.h"

bool readDemoOptions(int argc, const char* const* argv, DemoOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument != "--gentle") {
            error = "unknown option '" + argument + "': the only one is --gentle";
            return false;
        }
        if (options.gentle) {
            error = "--gentle is given twice";
            return false;
        }
        options.gentle = true;
    }
    return true;
}
