// Text rules of the JVM search: search sequence entries, the registry's path
// key names, and the paths derived from a java executable.
#pragma once

#include <string>
#include <vector>

// Where a search entry looks, by its letter in the configured sequence.
enum class LocationType {
    Directory,            // A: a Java home
    Bundled,              // B: a Java home shipped with the application
    Relative,             // R: a Java home relative to the executable
    SearchPath,           // S: java.exe on the search path
    EnvironmentVariable,  // E: a variable naming a Java home
    Registry,             // Y: the registry's runtimes
    WellKnown,            // W: the usual install directories
    None,                 // any other letter: nothing
};

LocationType locationTypeOf(char letter);

struct SearchEntry {
    LocationType type;
    char letter;           // as configured
    std::string location;  // as configured, not expanded
};

// Entries separated by ";"; runs of ";" and a leading or trailing one give no entry.
std::vector<SearchEntry> parseSearchSequence(const std::string& sequence);

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
