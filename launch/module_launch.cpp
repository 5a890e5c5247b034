#include "launch/module_launch.h"

MainModuleName parseMainModule(const std::string& text) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos) return {text, std::string()};
    return {text.substr(0, slash), text.substr(slash + 1)};
}

std::string mainClassArgument(const ApplicationSettings& settings) {
    if (!settings.mainModule.empty()) {
        const MainModuleName name = parseMainModule(settings.mainModule);
        if (!name.mainClass.empty()) return name.mainClass;
    }
    return settings.mainClass;
}

VmOptionList moduleLaunchOptions(const std::string& mainModule, const std::string& absoluteModulePath) {
    if (mainModule.empty()) return {};
    VmOptionList options;
    if (!absoluteModulePath.empty()) options.push_back("--module-path=" + absoluteModulePath);
    options.push_back(std::string("-D") + kMainModuleProperty + "=" + parseMainModule(mainModule).module);
    options.push_back("--add-exports=java.base/jdk.internal.module=ALL-UNNAMED");
    return options;
}
