#include "builder/project/jar_manifest_options.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "builder/host/file_source.h"
#include "builder/project/jar_file.h"
#include "builder/project/launch_keys.h"
#include "builder/project/project_paths.h"
#include "format/config_ids.h"

void addJarManifestOptions(BuildPlan& plan, const std::vector<std::string>& directories) {
    std::vector<block::NarrowEntry>& narrow = plan.block.narrow;
    std::string classPath;
    for (const block::NarrowEntry& entry : narrow) {
        if (entry.id == ConfigId::JarManifestOptions) return;  // the project's own choice
        if (entry.id == ConfigId::ClassPath) classPath = entry.value;
    }
    const auto entries = decodeClassPath(classPath);
    if (!entries) return;
    const auto archive = std::find_if(entries->begin(), entries->end(),
                                      [](const ReadableClassPathEntry& e) { return e.kindKey == "archive"; });
    // A name with variables is known only at start.
    if (archive == entries->end() || archive->value.find_first_of("$%") != std::string::npos) return;
    std::string relative = archive->value;
    for (char& c : relative)
        if (c == '\\') c = '/';
    std::error_code ec;
    for (const std::string& directory : directories) {
        const std::string path = projectFilePath(directory, relative, hostPathStyle());
        if (!std::filesystem::is_regular_file(fsPath(path), ec)) continue;
        std::map<std::string, std::string> attributes;
        std::string why;
        if (!readJarManifest(path, attributes, why)) {
            plan.warnings.push_back(path + ": " + why + "; its manifest's VM options are not applied");
            return;
        }
        const std::vector<std::string> options = manifestVmOptions(attributes, path, plan.warnings);
        std::string text;
        if (options.empty() || !joinArguments(options, text, why)) return;
        const auto at = std::find_if(narrow.begin(), narrow.end(), [](const block::NarrowEntry& e) {
            return e.id > ConfigId::JarManifestOptions;
        });
        narrow.insert(at, block::NarrowEntry{ConfigId::JarManifestOptions, text});
        return;
    }
}
