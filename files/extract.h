// Extraction of the files included after the configuration block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/outcome.h"

// What the configuration says about the included files.
struct IncludedFiles {
    int count = 0;          // entry 2002
    std::string names;      // entry 2003
    uint64_t position = 0;  // the first byte after the block
    std::string cacheEntry;   // entry 10144: the files that come from the archive cache
    std::string cacheFolder;  // the folder under %LOCALAPPDATA% that holds the cache
};

// Puts the files where the launch finds them: those recorded for the archive
// cache come from it (written there when missing or damaged), the others are
// extracted into a new private directory when createDirectory (or into the
// one made before), which is made only when some file goes there. A failure
// removes what was written and ends the launch; a cache that cannot take a
// file has it extracted instead.
[[nodiscard]] Outcome extractIncludedFiles(const IncludedFiles& files, bool createDirectory);

// A file this start uses from the archive cache: its included name and where it is.
struct CachedArchive {
    std::string name;
    std::string path;
};
const std::vector<CachedArchive>& cachedArchives();

// The position in the executable file after the last extracted file; 0 when
// nothing was extracted.
int64_t unextractedPosition();
