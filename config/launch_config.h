// The launch's configuration as the stages use it: read once from the
// configuration tables, with what follows from the entries worked out here.
// The run sequence holds it and hands each stage its own part; no stage
// reads the tables.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/args.h"
#include "config/config.h"
#include "config/search_entries.h"
#include "files/extract.h"

// A message's text: from the wide table when it has the id (a wide entry or
// the user's localised group), otherwise the narrow entry, in the ANSI code
// page, converted where it is shown.
struct MessageText {
    bool wide = false;
    std::u16string wideText;
    std::string narrowText;
};

struct MessageTexts {
    // By id, from ConfigId::FirstMessage on; empty where the block has no text.
    std::vector<MessageText> byId;
    // Empty (narrow) for an id without a text.
    const MessageText& text(int id) const;
};

// "-q", "-c" and "-console".
struct ConsoleSwitches {
    bool quietAndConsole = false;  // entry 154: all three
    bool consoleOnly = false;      // entry 156: "-console"
};

struct SingleInstanceSettings {
    bool enabled = false;  // entry 10005
    bool global = false;   // entry 158: one instance in all sessions
    // How a later start's command line is split: its arguments reach the
    // first instance as the later start itself would have split them.
    CommandLineRules commandLine = CommandLineRules::Classic;
};

struct SplashTextLine {
    int x = 0, y = 0;
    std::string text;
    std::string face;
    int size = 0;
    uint32_t color = 0;  // red + green * 256 + blue * 65536
    int weight = 0;
};

struct SplashSettings {
    bool enabled = false;         // entry 108
    bool throughRuntime = false;  // entry 10123: the runtime's splash library,
                                  // once the JVM is loaded
    bool topmost = false;
    bool autoOff = false;  // hidden once the application shows a window of its own
    int width = 0, height = 0;
    std::string title;  // the application's name
    SplashTextLine status, second;
    bool hasConsole = false;  // not windowed: a console window may belong to the process
};

// What the JVM search and the choice of the JVM library need.
struct JavaSearchSettings {
    std::vector<SearchEntry> entries;
    std::string minimumVersion;
    std::string maximumVersion;
    bool jdkRequired = false;
    bool betaAllowed = false;  // entry 130: pre-release runtimes from every source
    std::string installationId;
    std::string vmKindDirectory;  // entry 152: tried first among the jvm.dll directories
    bool windowed = false;        // the javaw.exe beside the java.exe found is the one used
    std::string applicationRoot;  // absolute
};

struct RedirectSetting {
    bool enabled = false;
    std::string file;  // as configured: variables not yet expanded
};

// What the creation of the JVM and the call of the Java-side main need.
struct ApplicationSettings {
    std::string mainClass;
    std::string mainModule;    // "app" or "app/com.example.Main"; empty: a class-path launch
    std::string modulePath;    // entries separated by ";", variables not yet expanded
    std::string jarManifestOptions;  // options from the application jar's manifest, as stored
    std::string classPath;     // entry 121, as configured
    std::string vmParameters;  // entry 123, variables not yet expanded
    std::string userOptionsFolder;  // under %APPDATA%: the user's own option file
    bool classDataSharing = true;   // entry 10135 absent or not 0
    std::string fixedArguments;
    bool javaOptionArguments = false;  // "-J" arguments of the command line become VM options
    RedirectSetting errorOutput, standardOutput;
    bool appendRedirect = false;
    bool windowed = false;
    bool singleInstance = false;
    CommandLineRules commandLine = CommandLineRules::Classic;  // for a later start's hand-over
    std::string applicationRoot;  // absolute
};

// A service executable's settings (entries 10150 to 10160); enabled when
// the block names the service.
struct ServiceSettings {
    bool enabled = false;
    std::string name, displayName, description;
    std::string start = "manual";
    std::string account = "local-service";
    std::vector<std::string> dependsOn;
    unsigned stopTimeoutSeconds = 20;
    std::string stopMethod;  // "com.example.Main.stop"; empty: System.exit(0)
    std::vector<unsigned> restartDelays;
    uint64_t logMaxSize = 10u << 20;
    unsigned logKeep = 5;
    std::string dataFolder;  // the folder's name under %ProgramData%; empty: the executable's name
};

struct LaunchConfig {
    int executableType = 0;
    char productKind = '\0';  // the first letter of entry 2001
    std::string workingDirectory;
    std::string nativeLibraryDirectories;  // entry 10004, variables not yet expanded
    CommandLineRules commandLineRules = CommandLineRules::Classic;  // entry 10143
    ConsoleSwitches console;
    SingleInstanceSettings singleInstance;
    SplashSettings splash;
    IncludedFiles included;
    JavaSearchSettings java;
    ApplicationSettings application;
    ServiceSettings service;
    MessageTexts messages;

    // Type 1 is the windowed one: no console, javaw.exe.
    bool windowed() const { return executableType == 1; }
    // Types 1 and 5 show failures in message boxes; the others write them to
    // standard error.
    bool showsMessageBoxes() const { return executableType == 1 || executableType == 5; }
};

// Fills a default-constructed config from the tables, in place (the
// launcher's one config is a global: no second copy to move from).
// absolutePath gives the absolute form of a configured path (the Win32 layer
// resolves it against the executable's directory).
void readLaunchConfig(const ConfigTables& tables, const std::function<std::string(const std::string&)>& absolutePath,
                      LaunchConfig& config);
inline LaunchConfig readLaunchConfig(const ConfigTables& tables,
                                     const std::function<std::string(const std::string&)>& absolutePath) {
    LaunchConfig config;
    readLaunchConfig(tables, absolutePath, config);
    return config;
}

// Reads this executable's block into config (Win32 layer). On a failure,
// what could be read is there all the same: the failure's message takes its
// caption from it.
[[nodiscard]] Outcome loadLaunchConfig(LaunchConfig& config);
