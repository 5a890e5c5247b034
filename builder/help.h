// What qarvo-build says about its commands: the usage of each, the whole
// help, its version.
#pragma once

#include <string>

struct Command {
    const char* usage;        // "check PROJECT.toml"
    const char* description;  // the paragraph of the whole help
};

extern const Command kBuild, kCheck, kInit, kInspect, kSchema;

// The usage of every command, as a usage error shows it.
std::string usage();
// qarvo-build --help: the usage and where the documentation is.
void printHelp(const std::string& docsDirectory);
// COMMAND --help: its usage and paragraph on standard output; returns 0.
int commandHelp(const Command& command);
const char* builderVersion();
