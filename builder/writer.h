// Writes a launcher executable: the generic stub with the application's
// resources and subsystem, the configuration block after its last section and
// the included files, streamed so that large files never sit in memory; then
// the PE checksum over the whole file. Sign the result afterwards: the
// signature goes after everything written here.
#pragma once

#include <string>
#include <vector>

#include "builder/project.h"

bool writeExecutable(const std::string& stubPath, const BuildPlan& plan, const std::string& outputPath,
                     std::vector<std::string>& warnings, std::string& error);
