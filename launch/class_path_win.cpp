#include "config/run_state.h"
#include "files/fileutil.h"
#include "files/tempdir.h"
#include "launch/class_path.h"
#include "launch/variables.h"
#include "log/diaglog.h"
#include "platform/win_text.h"

Outcome buildClassPathOption(const ApplicationSettings& settings, const ClassPathOverrides& overrides,
                             std::string& option) {
    ClassPathEnvironment environment;
    environment.extractionDirectory = extractionDirectory();
    environment.productKind = productKind();
    environment.configuredEntries = [&settings] { return settings.classPath; };
    environment.applicationRoot = [&settings] { return settings.applicationRoot; };
    environment.fileExists = [](const std::string& path) { return fileExists(path); };
    environment.listFiles = listFiles;
    environment.makeAbsolute = [](const std::string& path) { return makeAbsolute(path); };
    environment.expandPathList = expandPathList;
    environment.expand = expandVariables;
    environment.environmentVariable = [](const std::string& name) -> std::optional<std::string> {
        std::string value;
        if (!environmentVariable(name.c_str(), value)) return std::nullopt;
        return value;
    };
    environment.log = [](const std::string& line) { logInfo("%s", line.c_str()); };
    if (std::optional<ClassPathFailure> failure = ClassPathBuilder(environment).buildClassPathOption(overrides, option))
        return endWithMessage(failure->messageId, failure->argument);
    return std::nullopt;
}
