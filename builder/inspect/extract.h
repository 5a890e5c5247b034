// Writes what a built executable holds as files: its included files and the
// resources a project names by file.
#pragma once

#include <string>

#include "builder/inspect/read.h"

// Writes each included file, unscrambled, below directory. Files already
// there are an error, found before anything is written, unless force.
bool extractFiles(const std::string& executablePath, const InspectedExecutable& exe, const std::string& directory,
                  bool force, std::string& error);

// Writes the resources a project names by file (icons, splash images, a
// manifest the builder does not generate) below directory and records them.
bool extractResources(InspectedExecutable& exe, const std::string& directory, bool force, std::string& error);
