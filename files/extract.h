// Extraction of the files included after the configuration block.
#pragma once

// 0 on success or when there is nothing to extract; otherwise the failure.
int extractIncludedFiles(bool createDirectory);
