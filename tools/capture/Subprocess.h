#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// The programs demo-capture hands work to (ffmpeg, ffprobe), started without a shell.

// Where a program is on PATH; empty when it is not there.
std::string findProgram(const std::string& name);

// Starts arguments[0] (a path) with the rest as its arguments. With stdinFrom >= 0 its standard
// input comes from that descriptor, and closeInChild is closed in the child (the other end of a
// pipe). False with the reason when it cannot be started.
bool startProgram(const std::vector<std::string>& arguments, int stdinFrom, int closeInChild,
                  pid_t& child, std::string& error);
// Waits for it; true when it exited with status 0.
bool waitForProgram(pid_t child);

// Runs a program to its end and collects what it printed on standard output; standard error
// is collected apart, for the one-line reasons. True when it exited with status 0.
struct ProgramRun {
    bool ok = false;
    std::string output;
    std::string errors;
};
ProgramRun runProgram(const std::vector<std::string>& arguments);

// The first line of a program's complaint, for a one-line message.
std::string firstLine(const std::string& text);
