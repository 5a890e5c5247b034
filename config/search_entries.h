// The configured search sequence (entry 128) as typed entries: where the
// JVM search looks, in order.
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
