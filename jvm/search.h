// The JVM search on this machine: the portable search over the registry,
// file system and environment of the process.
#pragma once

#include <string>

#include "jvm/runtime_search.h"

// expand: the launcher's variable expansion, for the configured locations.
JvmSource searchJvm(std::string& javaExecutable, std::string& home, void (*expand)(std::string& text));

// The first line of a file below the application root, without its line end.
bool readLocationFile(std::string& line, const std::string& relativeName);
