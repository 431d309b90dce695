#pragma once

#include <string>

struct CommandResult {
    int status = -1;    // the exit status, or -1 when it did not exit normally
    std::string output; // standard output and standard error together
};

// Runs a shell command line and waits for it.
CommandResult runCommand(const std::string& command);

// Each line of the text, without line ends.
int countLines(const std::string& text);
