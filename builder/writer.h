// Writes a launcher executable: the generic stub, the configuration block and
// the included files, streamed so that large files never sit in memory.
#pragma once

#include <string>

#include "builder/project.h"

bool writeExecutable(const std::string& stubPath, const BuildPlan& plan, const std::string& outputPath,
                     std::string& error);
