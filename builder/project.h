// A project file (TOML) turned into the configuration block and the list of
// files to include.
#pragma once

#include <string>
#include <vector>

#include "format/block.h"

struct IncludedFile {
    std::string name;    // as stored, with at most one directory level ("lib\a.dll")
    std::string source;  // host path of the file to include
};

// Where the Java-side runtime archive goes: nowhere (the class path names
// it), beside the executable (named by the class path), or included in it.
enum class RuntimeJar { None, Beside, Bundled };

inline constexpr const char* kRuntimeJarName = "qarvo-runtime.jar";

struct BuildPlan {
    block::RawBlock block;
    // A bundled runtime archive is among them, with an empty source: the
    // builder fills in its own copy.
    std::vector<IncludedFile> files;
    RuntimeJar runtimeJar = RuntimeJar::None;
};

// Reads and checks a project file. On failure error names the file, the line
// and the key.
bool loadProject(const std::string& path, BuildPlan& plan, std::string& error);
// The same for a project text; baseDirectory resolves relative file sources.
bool parseProject(const std::string& text, const std::string& displayName, const std::string& baseDirectory,
                  BuildPlan& plan, std::string& error);

// An included file's name is stored relative, with at most one directory.
bool validIncludedName(const std::string& name, std::string& why);
