#include "config/launch_config.h"

#include <cstdlib>

#include "format/config_ids.h"

namespace {

bool flag(const ConfigTables& tables, int id) { return configInt(tables, id) != 0; }

void splashLine(const ConfigTables& t, int x, int y, int text, int face, int size, int color, int weight,
                SplashTextLine& line) {
    line.x = configInt(t, x);
    line.y = configInt(t, y);
    line.text = configString(t, text);
    line.face = configString(t, face);
    line.size = configInt(t, size);
    line.color = configColor(t, color);
    line.weight = configInt(t, weight);
}

void splashSettings(const ConfigTables& t, bool windowed, SplashSettings& s) {
    namespace C = ConfigId;
    s.enabled = flag(t, C::ShowSplash);
    s.throughRuntime = flag(t, C::SplashThroughRuntime);
    s.topmost = flag(t, C::SplashTopmost);
    s.autoOff = flag(t, C::SplashAutoOff);
    s.width = configInt(t, C::SplashWidth);
    s.height = configInt(t, C::SplashHeight);
    s.title = configString(t, C::AppName);
    splashLine(t, C::SplashText1X, C::SplashText1Y, C::SplashText1, C::SplashText1Font, C::SplashText1Size,
               C::SplashText1Color, C::SplashText1Weight, s.status);
    splashLine(t, C::SplashText2X, C::SplashText2Y, C::SplashText2, C::SplashText2Font, C::SplashText2Size,
               C::SplashText2Color, C::SplashText2Weight, s.second);
    s.hasConsole = !windowed;
}

void javaSearchSettings(const ConfigTables& t, bool windowed, const std::string& applicationRoot,
                        JavaSearchSettings& s) {
    s.entries = parseSearchSequence(configString(t, ConfigId::SearchSequence));
    s.minimumVersion = configString(t, ConfigId::MinVersion);
    s.maximumVersion = configString(t, ConfigId::MaxVersion);
    s.jdkRequired = flag(t, ConfigId::JdkRequired);
    s.betaAllowed = flag(t, ConfigId::AllowBeta);
    s.installationId = configString(t, ConfigId::InstallationId);
    s.vmKindDirectory = configString(t, ConfigId::VmKindDirectory);
    s.windowed = windowed;
    s.applicationRoot = applicationRoot;
}

void applicationSettings(const ConfigTables& t, bool windowed, const std::string& applicationRoot,
                         ApplicationSettings& s) {
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
}

std::vector<std::string> listOf(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

// A count the builder wrote in decimal; the default when absent or not a number.
uint64_t numberOr(const ConfigTables& t, int id, uint64_t fallback) {
    const std::string text = configString(t, id);
    if (text.empty() || text.size() > 19) return fallback;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return fallback;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

void serviceSettings(const ConfigTables& t, ServiceSettings& s) {
    namespace C = ConfigId;
    s.name = configString(t, C::ServiceName);
    s.enabled = !s.name.empty();
    if (!s.enabled) return;
    s.displayName = configString(t, C::ServiceDisplayName);
    if (s.displayName.empty()) s.displayName = s.name;
    s.description = configString(t, C::ServiceDescription);
    if (const std::string start = configString(t, C::ServiceStart); !start.empty()) s.start = start;
    if (const std::string account = configString(t, C::ServiceAccount); !account.empty()) s.account = account;
    s.dependsOn = listOf(configString(t, C::ServiceDependsOn));
    s.stopTimeoutSeconds = static_cast<unsigned>(numberOr(t, C::ServiceStopTimeout, 20));
    if (s.stopTimeoutSeconds == 0 || s.stopTimeoutSeconds > 3600) s.stopTimeoutSeconds = 20;
    s.stopMethod = configString(t, C::ServiceStopMethod);
    for (const std::string& delay : listOf(configString(t, C::ServiceRestartOnFailure)))
        s.restartDelays.push_back(static_cast<unsigned>(std::strtoul(delay.c_str(), nullptr, 10)));
    s.logMaxSize = numberOr(t, C::ServiceLogMaxSize, s.logMaxSize);
    if (s.logMaxSize < (64u << 10)) s.logMaxSize = 64u << 10;
    s.logKeep = static_cast<unsigned>(numberOr(t, C::ServiceLogKeep, 5));
    if (s.logKeep == 0 || s.logKeep > 100) s.logKeep = 5;
    s.dataFolder = configString(t, C::UserOptionsFolder);
}

void messageTexts(const ConfigTables& t, MessageTexts& texts) {
    texts.byId.resize(ConfigId::LastMessage - ConfigId::FirstMessage + 1);
    for (int id = ConfigId::FirstMessage; id <= ConfigId::LastMessage; ++id) {
        MessageText& text = texts.byId[id - ConfigId::FirstMessage];
        if (hasWideString(t, id))
            text = {true, configWideString(t, id), {}};
        else if (hasString(t, id))
            text = {false, {}, configString(t, id)};
    }
}

}  // namespace

const MessageText& MessageTexts::text(int id) const {
    static const MessageText none;
    const unsigned index = static_cast<unsigned>(id - ConfigId::FirstMessage);
    return index < byId.size() ? byId[index] : none;
}

void readLaunchConfig(const ConfigTables& tables, const std::function<std::string(const std::string&)>& absolutePath,
                      LaunchConfig& c) {
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
    splashSettings(tables, c.windowed(), c.splash);
    c.included = {configInt(tables, ConfigId::IncludedFileCount), configString(tables, ConfigId::IncludedFileNames),
                  tables.endPosition, configString(tables, ConfigId::IncludedFileCache),
                  configString(tables, ConfigId::UserOptionsFolder)};
    const std::string root = absolutePath(configString(tables, ConfigId::AppRoot));
    javaSearchSettings(tables, c.windowed(), root, c.java);
    applicationSettings(tables, c.windowed(), root, c.application);
    c.application.commandLine = c.commandLineRules;
    serviceSettings(tables, c.service);
    messageTexts(tables, c.messages);
}
