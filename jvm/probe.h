// Probing a Java installation: its java executable and whether it is usable.
#pragma once

#include <cstdint>
#include <string>

#include "launcher/handle.h"

// The java executable of a home directory: jre\bin\java.exe when that exists,
// else bin\java.exe. When a JDK is required, false unless the home is a JDK
// (lib\tools.jar or bin\javac.exe).
bool javaExeForHome(std::string& javaExecutable, const std::string& home);

// Normalises the path in place, finds its version (cache, else by running it
// with -version) and checks it against the limits; with executable type 1 the
// path becomes the javaw.exe beside it, which must exist.
bool checkJavaExe(std::string& javaExecutable, std::string& version, const std::string& minimum,
                  const std::string& maximum, bool betaAllowed);

// Runs "<java> -version" with its error output in a temporary file; true when
// a version was read from it.
bool runJavaVersion(const std::string& javaExecutable, uint64_t lastWriteTime, std::string& version);

// An inheritable handle to a new file, or an invalid one.
UniqueHandle createInheritableOutputFile(const std::string& path);

// Whether a version passes the limits and, unless allowed, the pre-release rule.
bool versionAllowed(const std::string& version, const std::string& minimum, const std::string& maximum,
                    bool betaAllowed);
