#include "config/run_state.h"
#include "files/extract.h"
#include "files/fileutil.h"
#include "files/process_system.h"
#include "files/tempdir.h"
#include "launch/class_path.h"
#include "launch/variables.h"
#include "platform/win_text.h"

Outcome buildClassPathOption(const ApplicationSettings& settings, const ClassPathOverrides& overrides,
                             std::string& option) {
    ClassPathEnvironment environment;
    environment.extractionDirectory = extractionDirectory();
    for (const char* extension : {".jar", ".zip"})
        for (const CachedArchive& archive : cachedArchives()) {
            if (_stricmp(archive.path.c_str() + archive.path.size() - 4, extension) != 0) continue;
            (archive.name.find('\\') == std::string::npos ? environment.cachedArchives : environment.cachedUserArchives)
                .push_back(archive.path);
        }
    environment.productKind = productKind();
    environment.configuredEntries = [&settings] { return settings.classPath; };
    environment.applicationRoot = [&settings] { return settings.applicationRoot; };
    environment.system = &processSystem();
    environment.makeAbsolute = [](const std::string& path) { return makeAbsolute(path); };
    environment.expandPathList = expandPathList;
    environment.expand = expandVariables;
    if (std::optional<ClassPathFailure> failure = ClassPathBuilder(environment).buildClassPathOption(overrides, option))
        return endWithMessage(failure->messageId, failure->argument);
    return std::nullopt;
}
