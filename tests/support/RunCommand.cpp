#include "RunCommand.h"

#include <cstdio>
#include <sys/wait.h>

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, got);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

int countLines(const std::string& text) {
    int lines = 0;
    for (const char c : text) lines += c == '\n';
    return lines + (!text.empty() && text.back() != '\n');
}
