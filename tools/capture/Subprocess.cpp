#include "Subprocess.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string directories = path ? path : "";
    size_t start = 0;
    while (start <= directories.size()) {
        size_t end = directories.find(':', start);
        if (end == std::string::npos) end = directories.size();
        const std::string directory =
            end > start ? directories.substr(start, end - start) : std::string(".");
        const std::string candidate = directory + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

namespace {

bool spawn(const std::vector<std::string>& arguments, posix_spawn_file_actions_t& actions,
           pid_t& child, std::string& error) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int failed =
        posix_spawn(&child, arguments[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed == 0) return true;
    error = "cannot start " + arguments[0] + ": " + std::strerror(failed);
    return false;
}

} // namespace

bool startProgram(const std::vector<std::string>& arguments, int stdinFrom, int closeInChild,
                  pid_t& child, std::string& error) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdinFrom >= 0) posix_spawn_file_actions_adddup2(&actions, stdinFrom, STDIN_FILENO);
    if (closeInChild >= 0) posix_spawn_file_actions_addclose(&actions, closeInChild);
    return spawn(arguments, actions, child, error);
}

bool waitForProgram(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ProgramRun runProgram(const std::vector<std::string>& arguments) {
    ProgramRun run;
    int out[2], err[2];
    if (pipe(out) != 0) {
        run.errors = std::string("cannot start ") + arguments[0] + ": " + std::strerror(errno);
        return run;
    }
    if (pipe(err) != 0) {
        run.errors = std::string("cannot start ") + arguments[0] + ": " + std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    pid_t child = -1;
    const bool started = spawn(arguments, actions, child, run.errors);
    close(out[1]);
    close(err[1]);
    // Both pipes at once: a program that fills one while we wait on the other would hang.
    pollfd ends[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&run.output, &run.errors};
    int open = started ? 2 : 0;
    char buffer[65536];
    while (open > 0) {
        if (poll(ends, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (ends[i].fd < 0 || ends[i].revents == 0) continue;
            const ssize_t got = read(ends[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                into[i]->append(buffer, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                ends[i].fd = -1;
                --open;
            }
        }
    }
    close(out[0]);
    close(err[0]);
    run.ok = started && waitForProgram(child);
    return run;
}

std::string firstLine(const std::string& text) {
    const size_t start = text.find_first_not_of(" \n");
    if (start == std::string::npos) return {};
    return text.substr(start, text.find('\n', start) - start);
}
