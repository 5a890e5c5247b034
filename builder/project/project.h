// A project file (TOML) turned into the configuration block and the list of
// files to include.
#pragma once

#include <string>
#include <vector>

#include "builder/host/system.h"
#include "builder/pe/manifest.h"
#include "builder/pe/version_info.h"
#include "format/block.h"

struct IncludedFile {
    std::string name;    // as stored, with at most one directory level ("lib\a.dll")
    std::string source;  // host path of the file to include
    std::string where;   // the key that names it: "app.toml:12: files.source"
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

// Reads and checks a project file. On failure error names the file, the line
// and the key.
bool loadProject(const std::string& path, BuildPlan& plan, std::string& error);
// The same for a project text; baseDirectory resolves relative file sources.
bool parseProject(const std::string& text, const std::string& displayName, const std::string& baseDirectory,
                  BuildPlan& plan, std::string& error);

// The options "java -jar" would take from the application jar's manifest
// (Add-Opens, Add-Exports, Enable-Native-Access), as the entry of
// java.jar-manifest-options, unless the project sets that key itself. The
// application jar is the first archive of the class path; it is looked for
// in the directories in order (the executable's, then the project's). A jar
// not found adds nothing; one that cannot be read is a warning.
void addJarManifestOptions(BuildPlan& plan, const std::vector<std::string>& directories);

// An included file's name is stored relative, with at most one directory.
bool validIncludedName(const std::string& name, std::string& why);

// The rule for every file a project names: an absolute name stands as it
// is, a relative one is below the project's directory. Absolute is "/..."
// everywhere, and with Windows names also a leading backslash (the drive's
// root or a server) and a drive ("C:\...").
bool isAbsolutePath(const std::string& path, PathStyle style);
std::string projectFilePath(const std::string& projectDirectory, const std::string& path, PathStyle style);
// The directory of a project file, "." when its name has none.
std::string projectDirectoryOf(const std::string& projectFile, PathStyle style);
