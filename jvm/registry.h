// The registry's part in the JVM search: the per-user version cache.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

bool readCachedVersion(const std::string& javaExecutable, uint64_t lastWriteTime, std::string& version);
void writeCachedVersion(const std::string& javaExecutable, uint64_t lastWriteTime, const std::string& version);
