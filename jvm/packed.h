// A runtime shipped with pack200-compressed archives is restored in place,
// once, before it is first examined.
#pragma once

#include <string>

// Each is false when unpack200 cannot be started (message 1009, "20").
bool preparePackedRuntime(const std::string& runtimeDirectory);
bool unpackArchive(const std::string& runtimeDirectory, const std::string& archive);
bool runUnpack200(const std::string& runtimeDirectory, const std::string& packFile);
