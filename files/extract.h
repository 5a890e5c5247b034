// Extraction of the files included after the configuration block.
#pragma once

#include <cstdint>
#include <string>

#include "platform/outcome.h"

// What the configuration says about the included files.
struct IncludedFiles {
    int count = 0;          // entry 2002
    std::string names;      // entry 2003
    uint64_t position = 0;  // the first byte after the block
};

// Extracts the files into a new private directory when createDirectory (or
// into the one made before); nothing when there are none. A failure removes
// what was written and ends the launch.
[[nodiscard]] Outcome extractIncludedFiles(const IncludedFiles& files, bool createDirectory);

// The position in the executable file after the last extracted file; 0 when
// nothing was extracted.
int64_t unextractedPosition();
