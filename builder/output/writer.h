// Writes a launcher executable: the generic stub with the application's
// resources and subsystem, the configuration block after its last section and
// the included files, streamed so that large files never sit in memory; then
// the PE checksum over the whole file. Sign the result afterwards: the
// signature goes after everything written here.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "builder/host/output_file.h"
#include "builder/project/build_plan.h"

// Every file a build of the plan reads: the project file, the stub, the
// included files and the resource files. Inputs not yet known (a bundled
// runtime archive without its source) are left out.
std::vector<BuildInput> buildInputs(const std::string& projectPath, const std::string& stubPath, const BuildPlan& plan);

// Told the partial file's path when it is made and "" when it is gone, so
// that a signal handler can remove it.
using PartialFileHook = std::function<void(const std::string& path)>;

// Progress: bytes written so far and the total expected.
using ProgressHook = std::function<void(uint64_t done, uint64_t total)>;

bool writeExecutable(const std::string& stubPath, const BuildPlan& plan, const std::string& outputPath,
                     std::vector<std::string>& warnings, std::string& error, const PartialFileHook& partial = nullptr,
                     const ProgressHook& progress = nullptr);
