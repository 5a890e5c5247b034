// Reading the registry.
#pragma once

#include <string>
#include <vector>

#include "platform/handle.h"

// The key opened for reading; invalid when it cannot be opened.
UniqueKey openKeyForReading(HKEY root, const std::string& path);
// A string value up to its first NUL (the value's type is not examined).
bool readRegistryValue(HKEY root, const std::string& key, const char* valueName, std::string& value);
// The same from a key already open.
bool readRegistryValue(HKEY key, const char* valueName, std::string& value);
// The names of a key's subkeys; none when the key cannot be opened.
std::vector<std::string> registrySubkeyNames(HKEY root, const std::string& key);
