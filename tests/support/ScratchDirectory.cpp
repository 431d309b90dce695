#include "ScratchDirectory.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <limits.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

ScratchDirectory::ScratchDirectory() {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) previous = cwd;
    char pattern[] = "/tmp/demo-test-XXXXXX";
    path = mkdtemp(pattern);
    mkdir((path + "/data").c_str(), 0755);
    EXPECT_EQ(chdir(path.c_str()), 0);
}

ScratchDirectory::~ScratchDirectory() {
    if (!previous.empty() && chdir(previous.c_str()) != 0) ADD_FAILURE() << "cannot go back";
    std::system(("chmod -R u+w '" + path + "' && rm -rf '" + path + "'").c_str());
}

std::string ScratchDirectory::dataFile(const std::string& name) const {
    return "data/" + name;
}

void writeTextFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

std::string readTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}
