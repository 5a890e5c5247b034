// A built executable's configuration as the project file that builds it again.
#pragma once

#include <string>
#include <vector>

#include "builder/inspect/read.h"

// The project file that builds the same block. extractedDirectory, when not
// empty, is where extractFiles put the files; when it is empty and the
// executable includes files, the text says that --extract is needed to build
// it again. Warnings (what a rebuild would not reproduce) are appended to
// warnings.
std::string renderProject(const InspectedExecutable& exe, const std::string& extractedDirectory,
                          std::vector<std::string>& warnings);
