#pragma once

#include <string>

// A fresh directory under /tmp with a "data" directory in it, made the working directory for the
// life of the object, since the demo reads everything from "data/" under the working directory.
struct ScratchDirectory {
    ScratchDirectory();
    ~ScratchDirectory();
    std::string path;
    std::string previous;
    // "data/<name>" inside the scratch directory.
    std::string dataFile(const std::string& name) const;
};

void writeTextFile(const std::string& path, const std::string& contents);
std::string readTextFile(const std::string& path);
