// Probing a Java installation: its java executable and whether it is usable.
#pragma once

#include <cstdint>
#include <string>

#include "config/launch_config.h"
#include "platform/handle.h"

// Normalises the path in place, finds its version (cache, release file, else
// by running it with -version) and checks it against the limits; pre-releases
// pass when betaAllowed or the settings allow them. For a windowed executable
// the path becomes the javaw.exe beside it, which must exist.
bool checkJavaExe(const JavaSearchSettings& settings, std::string& javaExecutable, std::string& version,
                  const std::string& minimum, const std::string& maximum, bool betaAllowed);

// Whether the runtime's jvm.dll, as the loader looks for it, is of the
// launcher's own architecture (the PE header's machine); true when there is
// none to read (loading it then fails and says so).
bool runtimeOfOwnArchitecture(const std::string& javaExecutable, const std::string& vmKindDirectory);

// Runs "<java> -version", its error output read through a pipe; true when a
// version was read from it.
bool runJavaVersion(const std::string& javaExecutable, uint64_t lastWriteTime, std::string& version);

// Whether a version passes the limits and, unless allowed, the pre-release rule.
bool versionAllowed(const std::string& version, const std::string& minimum, const std::string& maximum,
                    bool betaAllowed);
