#pragma once

#include <string>
#include <vector>

// The fourteen files of the demo's default data, and how each is made.
struct DataFile {
    const char* name; // under the data directory, e.g. "city_bw.jpg"
    bool (*write)(const std::string& path);
};

const std::vector<DataFile>& defaultDataSet();

// Writes each file of the set that the directory lacks, creating the directory when needed, and
// reports each file written on standard output. False, after a message on standard error, when a
// file cannot be written.
bool writeMissingData(const std::string& directory);
