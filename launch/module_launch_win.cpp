#include "config/args.h"
#include "files/fileutil.h"
#include "format/config_ids.h"
#include "launch/module_launch.h"
#include "launch/variables.h"
#include "log/diaglog.h"

Outcome addApplicationOptions(const ApplicationSettings& settings, VmOptionList& options) {
    // Stored as the builder quotes VM parameters; split the same way.
    std::vector<std::string> manifestOptions;
    if (!splitArguments(settings.jarManifestOptions, manifestOptions)) {
        logError("the options of the application jar's manifest have an unclosed quote");
        return endWithMessage(MessageId::InvalidParameters);
    }
    for (std::string& option : manifestOptions) options.push_back(std::move(option));
    if (settings.mainModule.empty()) return std::nullopt;
    std::string modulePath = settings.modulePath;
    expandVariables(modulePath);
    if (!modulePath.empty()) modulePath = expandPathList(modulePath);
    logInfo("main module %s, module path %s", settings.mainModule.c_str(), modulePath.c_str());
    for (std::string& option : moduleLaunchOptions(settings.mainModule, modulePath)) options.push_back(std::move(option));
    return std::nullopt;
}
