// A runtime shipped with pack200-compressed archives is restored in place,
// once, before it is first examined.
#pragma once

#include <string>

void preparePackedRuntime(const std::string& runtimeDirectory);
void unpackArchive(const std::string& runtimeDirectory, const std::string& archive);
// Ends the launch with message 1009 ("20") when the tool cannot be started.
void runUnpack200(const std::string& runtimeDirectory, const std::string& packFile);
