// Reads a built executable back: its configuration block as a project file,
// and optionally its included files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/resource_section.h"
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
    // The executable's header facts and resources.
    uint16_t machine = 0;
    uint16_t subsystem = 0;
    std::vector<rsrc::Resource> resources;
    std::string resourceError;  // why the resources could not be read
    // A signature's certificate table (file offset and size), when signed.
    uint64_t signatureOffset = 0;
    uint64_t signatureSize = 0;
    // Resource files written by extractResources: project key -> host path.
    std::vector<std::pair<std::string, std::string>> extractedResources;
};

bool readExecutable(const std::string& path, InspectedExecutable& out, std::string& error);

// Writes each included file, unscrambled, below directory. Files already
// there are an error, found before anything is written, unless force.
bool extractFiles(const std::string& executablePath, const InspectedExecutable& exe, const std::string& directory,
                  bool force, std::string& error);

// Writes the resources a project names by file (icons, splash images, a
// manifest the builder does not generate) below directory and records them.
bool extractResources(InspectedExecutable& exe, const std::string& directory, bool force, std::string& error);

// The project file that builds the same block. extractedDirectory, when not
// empty, is where extractFiles put the files. Warnings (what a rebuild would
// not reproduce) are appended to warnings.
std::string renderProject(const InspectedExecutable& exe, const std::string& extractedDirectory,
                          std::vector<std::string>& warnings);
