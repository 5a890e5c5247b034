// Extraction of the files included after the configuration block.
#pragma once

#include <cstdint>

// 0 on success or when there is nothing to extract; otherwise the failure.
int extractIncludedFiles(bool createDirectory);

// The position in the executable file after the last extracted file; 0 when
// nothing was extracted.
int64_t unextractedPosition();
