// Text rules of the JVM search: search sequence entries, the registry's path
// key names, and the paths derived from a java executable.
#pragma once

#include <string>
#include <vector>

#include "config/search_entries.h"

// Whether the fallback pass tries a location: type B always; A and R only
// when relative (absolute: more than one character, and a drive colon or two
// leading backslashes).
bool triedInFallback(const SearchEntry& entry);

// A file path as one registry key name: prefix + path with "\" as "/".
std::string pathKeyName(const std::string& prefix, const std::string& path);
// Back from a key name (without prefix) to the path.
std::string pathFromKeyName(const std::string& name);

// The java executable path without "javaw.exe", or without its last 8
// characters ("java.exe").
std::string stripJavaExecutable(const std::string& javaExecutable);
// The bin directory of a java executable, without a trailing backslash.
std::string binDirectoryOf(const std::string& javaExecutable);
// The JRE inside a JDK: <path without java.exe>..\jre\bin\java.exe.
std::string alternativeJavaExecutable(const std::string& javaExecutable);

// jvm.dll candidates of a bin directory: the configured VM kind directory
// first (when given), then hotspot, client, server, classic and jrockit.
std::vector<std::string> jvmDllCandidates(const std::string& binDirectory, const std::string& configuredKind);

// The archives of a packed runtime, restored in this order; the last one marks
// a complete runtime.
const std::vector<std::string>& packedArchives();
// The unpack tool's argument text for a pack file.
std::string unpackArguments(const std::string& packFile);
