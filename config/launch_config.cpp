#include "config/launch_config.h"

#include "format/config_ids.h"

namespace {

bool flag(const ConfigTables& tables, int id) { return configInt(tables, id) != 0; }

SplashTextLine splashLine(const ConfigTables& t, int x, int y, int text, int face, int size, int color, int weight) {
    return {configInt(t, x),    configInt(t, y),       configString(t, text), configString(t, face),
            configInt(t, size), configColor(t, color), configInt(t, weight)};
}

SplashSettings splashSettings(const ConfigTables& t, bool windowed) {
    namespace C = ConfigId;
    SplashSettings s;
    s.enabled = flag(t, C::ShowSplash);
    s.throughRuntime = flag(t, C::SplashThroughRuntime);
    s.topmost = flag(t, C::SplashTopmost);
    s.autoOff = flag(t, C::SplashAutoOff);
    s.width = configInt(t, C::SplashWidth);
    s.height = configInt(t, C::SplashHeight);
    s.title = configString(t, C::AppName);
    s.status = splashLine(t, C::SplashText1X, C::SplashText1Y, C::SplashText1, C::SplashText1Font, C::SplashText1Size,
                          C::SplashText1Color, C::SplashText1Weight);
    s.second = splashLine(t, C::SplashText2X, C::SplashText2Y, C::SplashText2, C::SplashText2Font, C::SplashText2Size,
                          C::SplashText2Color, C::SplashText2Weight);
    s.hasConsole = !windowed;
    return s;
}

JavaSearchSettings javaSearchSettings(const ConfigTables& t, bool windowed, const std::string& applicationRoot) {
    JavaSearchSettings s;
    s.entries = parseSearchSequence(configString(t, ConfigId::SearchSequence));
    s.minimumVersion = configString(t, ConfigId::MinVersion);
    s.maximumVersion = configString(t, ConfigId::MaxVersion);
    s.jdkRequired = flag(t, ConfigId::JdkRequired);
    s.betaAllowed = flag(t, ConfigId::AllowBeta);
    s.installationId = configString(t, ConfigId::InstallationId);
    s.vmKindDirectory = configString(t, ConfigId::VmKindDirectory);
    s.windowed = windowed;
    s.applicationRoot = applicationRoot;
    return s;
}

ApplicationSettings applicationSettings(const ConfigTables& t, bool windowed, const std::string& applicationRoot) {
    ApplicationSettings s;
    s.mainClass = configString(t, ConfigId::MainClass);
    s.mainModule = configString(t, ConfigId::MainModule);
    s.modulePath = configString(t, ConfigId::ModulePath);
    s.jarManifestOptions = configString(t, ConfigId::JarManifestOptions);
    s.classPath = configString(t, ConfigId::ClassPath);
    s.vmParameters = configString(t, ConfigId::VmParameters);
    s.userOptionsFolder = configString(t, ConfigId::UserOptionsFolder);
    s.classDataSharing = configString(t, ConfigId::ClassDataSharing).empty() || flag(t, ConfigId::ClassDataSharing);
    s.fixedArguments = configString(t, ConfigId::FixedArguments);
    s.javaOptionArguments = flag(t, ConfigId::JavaOptionArguments);
    s.errorOutput = {flag(t, ConfigId::RedirectStderr), configString(t, ConfigId::StderrFile)};
    s.standardOutput = {flag(t, ConfigId::RedirectStdout), configString(t, ConfigId::StdoutFile)};
    s.appendRedirect = flag(t, ConfigId::AppendRedirect);
    s.windowed = windowed;
    s.singleInstance = flag(t, ConfigId::SingleInstance);
    s.applicationRoot = applicationRoot;
    return s;
}

MessageTexts messageTexts(const ConfigTables& t) {
    MessageTexts texts;
    for (int id = ConfigId::FirstMessage; id <= ConfigId::LastMessage; ++id) {
        if (hasWideString(t, id))
            texts.byId[id] = {true, configWideString(t, id), {}};
        else if (t.narrow.count(id) != 0)
            texts.byId[id] = {false, {}, configString(t, id)};
    }
    return texts;
}

}  // namespace

const MessageText& MessageTexts::text(int id) const {
    static const MessageText none;
    auto it = byId.find(id);
    return it == byId.end() ? none : it->second;
}

LaunchConfig readLaunchConfig(const ConfigTables& tables,
                              const std::function<std::string(const std::string&)>& absolutePath) {
    LaunchConfig c;
    c.executableType = configInt(tables, ConfigId::ExecutableType);
    const std::string kind = configString(tables, ConfigId::ProductKind);
    c.productKind = kind.empty() ? '\0' : kind[0];
    c.workingDirectory = configString(tables, ConfigId::WorkingDirectory);
    c.nativeLibraryDirectories = configString(tables, ConfigId::NativeLibraryDirectory);
    c.console = {flag(tables, ConfigId::ConsoleSwitches), flag(tables, ConfigId::ConsoleSwitchOnly)};
    c.commandLineRules = configString(tables, ConfigId::CommandLineRules) == "windows" ? CommandLineRules::Windows
                                                                                        : CommandLineRules::Classic;
    c.singleInstance = {flag(tables, ConfigId::SingleInstance), flag(tables, ConfigId::GlobalSingleInstance),
                        c.commandLineRules};
    c.splash = splashSettings(tables, c.windowed());
    c.included = {configInt(tables, ConfigId::IncludedFileCount), configString(tables, ConfigId::IncludedFileNames),
                  tables.endPosition, configString(tables, ConfigId::IncludedFileCache),
                  configString(tables, ConfigId::UserOptionsFolder)};
    const std::string root = absolutePath(configString(tables, ConfigId::AppRoot));
    c.java = javaSearchSettings(tables, c.windowed(), root);
    c.application = applicationSettings(tables, c.windowed(), root);
    c.application.commandLine = c.commandLineRules;
    c.messages = messageTexts(tables);
    return c;
}
