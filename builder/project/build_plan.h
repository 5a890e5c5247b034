// What a project file asks the builder to make: the configuration block, the
// files to include and where the runtime archive goes, the resources, and
// what the project lacks without being wrong.
#pragma once

#include <string>
#include <vector>

#include "builder/pe/manifest.h"
#include "builder/pe/version_info.h"
#include "format/block.h"

struct IncludedFile {
    std::string name;    // as stored, with at most one directory level ("lib\a.dll")
    std::string source;  // host path of the file to include
    std::string where;   // the key that names it: "app.toml:12: files.source"
    // Written once into the per-user archive cache rather than extracted at
    // each start: by default the archives that join the class path.
    bool cache = false;
    bool cacheSet = false;  // [[files]] cache given
};

// Where the Java-side runtime archive goes: nowhere (the class path names
// it), beside the executable (named by the class path), or included in it
// (the default, so that the executable is all an application needs).
enum class RuntimeJar { None, Beside, Bundled };

inline constexpr const char* kRuntimeJarName = "qarvo-runtime.jar";

// A file the project names for a resource, and where: "app.toml:7: resources.icon".
struct SourceFile {
    std::string path;
    std::string where;
};

// The resources a project sets; what it leaves out keeps the generic
// launcher's resources.
struct ResourcePlan {
    std::vector<SourceFile> icon;        // one .ico file, or PNG images packed into one icon
    std::vector<SourceFile> splashIcon;  // the same; empty: the application icon
    std::vector<SourceFile> splashBitmap;  // at most one .bmp
    std::vector<SourceFile> splashImage;   // at most one image for the raw-data copy
    std::vector<SourceFile> manifestFile;  // at most one manifest that replaces the generated one
    manifest::Options manifest;
    bool manifestOptions = false;
    // Version information: written when the project has a [version] table.
    bool hasVersion = false;
    std::string versionWhere;
    version::VersionInfo version;
};

struct BuildPlan {
    block::RawBlock block;
    // A bundled runtime archive is among them, with an empty source: the
    // builder fills in its own copy.
    std::vector<IncludedFile> files;
    RuntimeJar runtimeJar = RuntimeJar::Bundled;
    // The architecture of [build] arch ("x86" or "x64"); empty when the
    // project leaves it to the command line.
    std::string arch;
    std::string archWhere;

    ResourcePlan resources;
    // What the project lacks without being wrong, for standard error.
    std::vector<std::string> warnings;
};
