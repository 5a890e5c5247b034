// The registry's part in the JVM search: the per-user version cache, located
// JVMs, the JavaSoft keys of installed runtimes and previous installations.
#pragma once

#include <cstdint>
#include <string>

#include "launcher/win32.h"

bool readRegistryValue(HKEY root, const std::string& key, const char* valueName, std::string& value,
                       DWORD capacity = 8192);
bool readCachedVersion(const std::string& javaExecutable, uint64_t lastWriteTime, std::string& version);
void writeCachedVersion(const std::string& javaExecutable, uint64_t lastWriteTime, const std::string& version);

bool bestLocatedJvm(HKEY root, std::string& javaExecutable, std::string& bestVersion, const std::string& minimum,
                    const std::string& maximum);
bool bestLocatedJvmAnyRoot(std::string& javaExecutable, std::string& version, const std::string& minimum,
                           const std::string& maximum);
bool searchJavaSoft(std::string& javaExecutable, std::string& version, const std::string& minimum,
                    const std::string& maximum);
// The search entry of type Y: JavaSoft and located JVMs, the newer wins.
bool searchRegistryJvm(std::string& javaExecutable, const std::string& minimum, const std::string& maximum);
bool findPreviousInstallation(HKEY root, std::string& javaExecutable, const std::string& minimum,
                              const std::string& maximum);
