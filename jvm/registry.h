// The registry's part in the JVM search: the per-user version cache and the
// reads the portable search asks for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

// A string value up to its first NUL (the value's type is not examined).
bool readRegistryValue(HKEY root, const std::string& key, const char* valueName, std::string& value);
// The names of a key's subkeys; none when the key cannot be opened.
std::vector<std::string> registrySubkeyNames(HKEY root, const std::string& key);

bool readCachedVersion(const std::string& javaExecutable, uint64_t lastWriteTime, std::string& version);
void writeCachedVersion(const std::string& javaExecutable, uint64_t lastWriteTime, const std::string& version);
