// The JVM search on this machine: the portable search over the registry,
// file system and environment of the process.
#pragma once

#include <string>

#include "config/launch_config.h"
#include "jvm/runtime_search.h"

// expand: the launcher's variable expansion, for the configured locations.
FoundRuntime searchJvm(const JavaSearchSettings& settings, void (*expand)(std::string& text));

// The first line of a file below the (absolute) application root, without its line end.
bool readLocationFile(std::string& line, const std::string& applicationRoot, const std::string& relativeName);
