// Reads a built executable back: its configuration block as a project file,
// and optionally its included files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/block.h"

struct InspectedFile {
    std::string name;  // as stored (Windows-1252)
    int64_t size = 0;
    uint64_t offset = 0;  // of the scrambled bytes in the executable
};

struct InspectedExecutable {
    uint64_t blockOffset = 0;
    block::RawBlock block;
    std::vector<InspectedFile> files;
};

bool readExecutable(const std::string& path, InspectedExecutable& out, std::string& error);

// Writes each included file, unscrambled, below directory.
bool extractFiles(const std::string& executablePath, const InspectedExecutable& exe, const std::string& directory,
                  std::string& error);

// The project file that builds the same block. extractedDirectory, when not
// empty, is where extractFiles put the files. Warnings (what a rebuild would
// not reproduce) are appended to warnings.
std::string renderProject(const InspectedExecutable& exe, const std::string& extractedDirectory,
                          std::vector<std::string>& warnings);
