// A project file (TOML) turned into the configuration block and the list of
// files to include.
#pragma once

#include <string>

#include "builder/project/build_plan.h"

// Reads and checks a project file. On failure error names the file, the line
// and the key.
bool loadProject(const std::string& path, BuildPlan& plan, std::string& error);
// The same for a project text; baseDirectory resolves relative file sources.
bool parseProject(const std::string& text, const std::string& displayName, const std::string& baseDirectory,
                  BuildPlan& plan, std::string& error);
