#include "app/CommandLine.h"

#include "app/Timeline.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

bool readShowTime(const std::string& text, int32_t& ms) {
    const size_t colon = text.find(':');
    const std::string minutes = colon == std::string::npos ? "" : text.substr(0, colon);
    const std::string seconds = colon == std::string::npos ? text : text.substr(colon + 1);
    const auto digitsOnly = [](const std::string& part, bool point) {
        size_t digits = 0;
        for (size_t i = 0; i < part.size(); ++i) {
            if (point && part[i] == '.' && i + 1 < part.size() &&
                part.find('.', i + 1) == std::string::npos)
                continue;
            if (part[i] < '0' || part[i] > '9') return false;
            ++digits;
        }
        return digits > 0 && digits <= 9;
    };
    if ((colon != std::string::npos && !digitsOnly(minutes, false)) || !digitsOnly(seconds, true))
        return false;
    const double total =
        (minutes.empty() ? 0 : std::atof(minutes.c_str())) * 60 + std::atof(seconds.c_str());
    // Nine digits of minutes are far past any show: kept within an int32_t, they stay past it.
    ms = static_cast<int32_t>(std::llround(std::min(total * 1000, 2e9)));
    return true;
}

bool readDemoOptions(int argc, const char* const* argv, DemoOptions& options, std::string& error) {
    bool gentleSeen = false;
    bool startSeen = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        bool& seen = argument == "--gentle" ? gentleSeen : startSeen;
        if (argument != "--gentle" && argument != "--start") {
            error = "unknown option '" + argument + "': the options are --gentle and --start TIME";
            return false;
        }
        if (seen) {
            error = argument + " is given twice";
            return false;
        }
        seen = true;
        if (argument == "--gentle") {
            options.gentle = true;
            continue;
        }
        if (++i == argc) {
            error = "--start needs a time: seconds (80) or minutes and seconds (1:20)";
            return false;
        }
        if (!readShowTime(argv[i], options.startMs) || options.startMs >= timelineEndMs) {
            error = std::string("--start ") + argv[i] +
                    ": not an instant of the show, which runs from 0 to 2:16 (seconds, as 80, or "
                    "minutes and seconds, as 1:20)";
            return false;
        }
    }
    return true;
}
