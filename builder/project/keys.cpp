#include "builder/project/keys.h"

#include <climits>

#include "builder/pe/manifest.h"
#include "builder/pe/version_info.h"
#include "format/config_ids.h"

namespace C = ConfigId;

IntRange integerRange(KeyKind kind) {
    if (kind == KeyKind::Color) return {0, 255};
    return {kind == KeyKind::Size ? 1 : INT_MIN, INT_MAX};
}

IntRange integerRange(const KeyDef& def) {
    return def.limits.minimum == 0 && def.limits.maximum == 0 ? integerRange(def.kind) : def.limits;
}

const std::vector<KeyDef>& keyTable() {
    static const std::vector<KeyDef> table = {
        {"application", "name", C::AppName, KeyKind::Text, "application name; title of the splash window"},
        {"application", "type", C::ExecutableType, KeyKind::Int,
         "executable type, \"gui\" (1), \"console\" (2) or a number: 1 and 5 show errors in message boxes and "
         "make a GUI executable, other values write errors to standard error and make a console executable"},
        {"application", "main-class", C::MainClass, KeyKind::Text, "the application's main class"},
        {"application", "main-module", C::MainModule, KeyKind::Text,
         "main module of a modular application, \"app\" or \"app/com.example.Main\" (instead of main-class): "
         "started as java -p MODULE-PATH -m MAIN-MODULE starts it"},
        {"application", "arguments", C::FixedArguments, KeyKind::Arguments,
         "fixed arguments placed before the command-line arguments"},
        {"application", "command-line", C::CommandLineRules, KeyKind::Text,
         "how the command line is split into arguments: \"windows\" (default), by the rules of the Microsoft C "
         "runtime that every Windows caller quotes for, or \"classic\": only blanks separate, double and single "
         "quotes group, no backslash escapes (executables built before this key)",
         {"windows", "classic"}},
        {"application", "working-directory", C::WorkingDirectory, KeyKind::Text,
         "working directory, relative to the executable's directory"},
        {"application", "product-kind", C::ProductKind, KeyKind::Text, "runtime kind: q or m"},
        {"application", "root", C::AppRoot, KeyKind::Text,
         "application root directory, relative to the executable's directory"},
        {"application", "native-library-directory", C::NativeLibraryDirectory, KeyKind::Text,
         "directories put on the PATH before the JVM is loaded"},
        {"application", "single-instance", C::SingleInstance, KeyKind::Flag, "keep the executable to one instance"},
        {"application", "global-single-instance", C::GlobalSingleInstance, KeyKind::Flag,
         "name the single-instance objects system-wide"},
        {"application", "installation-id", C::InstallationId, KeyKind::Text,
         "installation id for runtimes registered by other installations"},
        {"application", "console-switches", C::ConsoleSwitches, KeyKind::Flag, "accept -q, -c and -console"},
        {"application", "console-switch", C::ConsoleSwitchOnly, KeyKind::Flag, "accept -console"},
        {"java", "class-path", C::ClassPath, KeyKind::ClassPath,
         "class-path entries: an array of { archive, directory, archives-in or variable = \"...\", mandatory = "
         "true }, or their stored text"},
        {"java", "vm-parameters", C::VmParameters, KeyKind::Arguments,
         "VM parameters: an array of strings, one per option, or a text split as a command line"},
        {"java", "module-path", C::ModulePath, KeyKind::Paths,
         "module-path entries (directories of modules, modular jars), relative to the executable's directory"},
        {"java", "jar-manifest-options", C::JarManifestOptions, KeyKind::Arguments,
         "VM options from Add-Opens, Add-Exports and Enable-Native-Access of the application jar's manifest; "
         "written at build time when the project leaves it out ([] for none)"},
        {"java", "options-from-arguments", C::JavaOptionArguments, KeyKind::Flag,
         "command-line arguments starting with -J are VM options"},
        {"java", "min-version", C::MinVersion, KeyKind::Text,
         "minimum Java version, as \"17\", \"1.8\" or \"11.0.2\" (empty: no limit)"},
        {"java", "max-version", C::MaxVersion, KeyKind::Text,
         "maximum Java version: \"11\" takes every 11.x (empty: no limit)"},
        {"java", "search-sequence", C::SearchSequence, KeyKind::Text,
         "where to look for a Java runtime, as stored: type letters and locations, as \"Bjre;EJAVA_HOME;Y;\" "
         "(search says it in words)"},
        {"java", "allow-prerelease", C::AllowBeta, KeyKind::Flag, "accept beta, early-access and candidate runtimes"},
        {"java", "jdk-required", C::JdkRequired, KeyKind::Flag, "only a JDK will do"},
        {"java", "vm-kind-directory", C::VmKindDirectory, KeyKind::Text,
         "subdirectory of the runtime's bin directory tried first for jvm.dll"},
        {"java", "user-options-folder", C::UserOptionsFolder, KeyKind::Text,
         "folder under %APPDATA% holding the user's own <executable name>.vmoptions (default: application.name)"},
        {"java", "class-data-sharing", C::ClassDataSharing, KeyKind::Flag,
         "a class-data archive per user under %LOCALAPPDATA%\\<user-options-folder>\\cds for Java 19 and newer "
         "(default: true)"},
        {"redirect", "stderr", C::RedirectStderr, KeyKind::Flag, "redirect standard error to a file"},
        {"redirect", "stderr-file", C::StderrFile, KeyKind::Text, "file for standard error"},
        {"redirect", "stdout", C::RedirectStdout, KeyKind::Flag, "redirect standard output to a file"},
        {"redirect", "stdout-file", C::StdoutFile, KeyKind::Text, "file for standard output"},
        {"redirect", "append", C::AppendRedirect, KeyKind::Flag, "append to the redirect files"},
        {"splash", "show", C::ShowSplash, KeyKind::Flag, "show a splash screen"},
        {"splash", "width", C::SplashWidth, KeyKind::Size, "splash window width in pixels"},
        {"splash", "height", C::SplashHeight, KeyKind::Size, "splash window height in pixels"},
        {"splash", "auto-off", C::SplashAutoOff, KeyKind::Flag, "hide once the application shows a window"},
        {"splash", "topmost", C::SplashTopmost, KeyKind::Flag, "stay on top of all windows"},
        {"splash", "through-runtime", C::SplashThroughRuntime, KeyKind::Flag,
         "show the splash through the Java runtime's splash library"},
        {"splash.line1", "x", C::SplashText1X, KeyKind::Int, "x position of the first text line"},
        {"splash.line1", "y", C::SplashText1Y, KeyKind::Int, "y position of the first text line"},
        {"splash.line1", "text", C::SplashText1, KeyKind::Text, "first text line"},
        {"splash.line1", "font", C::SplashText1Font, KeyKind::Text, "font of the first line"},
        {"splash.line1", "size", C::SplashText1Size, KeyKind::Size, "font size of the first line"},
        {"splash.line1", "color", C::SplashText1Color, KeyKind::Color, "colour of the first line (r, g, b)"},
        {"splash.line1", "weight", C::SplashText1Weight, KeyKind::Int, "font weight of the first line"},
        {"splash.line2", "x", C::SplashText2X, KeyKind::Int, "x position of the second text line"},
        {"splash.line2", "y", C::SplashText2Y, KeyKind::Int, "y position of the second text line"},
        {"splash.line2", "text", C::SplashText2, KeyKind::Text, "second text line"},
        {"splash.line2", "font", C::SplashText2Font, KeyKind::Text, "font of the second line"},
        {"splash.line2", "size", C::SplashText2Size, KeyKind::Size, "font size of the second line"},
        {"splash.line2", "color", C::SplashText2Color, KeyKind::Color, "colour of the second line (r, g, b)"},
        {"splash.line2", "weight", C::SplashText2Weight, KeyKind::Int, "font weight of the second line"},
        {"service", "name", C::ServiceName, KeyKind::Text,
         "the service's name (required): letters, digits, -, _ and ., 1 to 256 characters; makes the executable "
         "a Windows service"},
        {"service", "display-name", C::ServiceDisplayName, KeyKind::Text,
         "the name the service controller shows (default: application.name, else the service's name)"},
        {"service", "description", C::ServiceDescription, KeyKind::Text, "the service's description"},
        {"service", "start", C::ServiceStart, KeyKind::Text,
         "how the service starts: \"manual\" (default), \"auto\" (with Windows), \"delayed-auto\" (shortly after "
         "Windows) or \"disabled\"",
         {"manual", "auto", "delayed-auto", "disabled"}},
        {"service", "account", C::ServiceAccount, KeyKind::Text,
         "the account the service runs as: \"local-service\" (default), \"network-service\", \"local-system\" or "
         "\"virtual\" (NT SERVICE\\<name>)",
         {"local-service", "network-service", "local-system", "virtual"}},
        {"service", "depends-on", C::ServiceDependsOn, KeyKind::Names,
         "the services that must run before this one, by name"},
        {"service", "stop-timeout", C::ServiceStopTimeout, KeyKind::Int,
         "seconds a stop may take, 1 to 3600 (default: 20)", {}, {1, 3600}},
        {"service", "stop-method", C::ServiceStopMethod, KeyKind::Text,
         "the public static method without parameters that stops the application, with its class: "
         "\"com.example.Main.stop\""},
        {"service", "restart-on-failure", C::ServiceRestartOnFailure, KeyKind::Integers,
         "seconds to wait before each restart after a failure, in order, 0 to 86400 each, at most 16 (default: "
         "no restart)",
         {}, {0, 86400}, 16},
        {"service", "log-max-size", C::ServiceLogMaxSize, KeyKind::Bytes,
         "the size at which the service's log is rolled: bytes, or \"<n> KiB\", \"<n> MiB\" or \"<n> GiB\"; 64 KiB "
         "to 1 GiB (default: \"10 MiB\")",
         {}, {64 * 1024, 1024 * 1024 * 1024}},
        {"service", "log-keep", C::ServiceLogKeep, KeyKind::Int, "how many rolled logs are kept, 1 to 100 (default: 5)",
         {}, {1, 100}},
    };
    return table;
}

bool isKeyedTable(const std::string& table) {
    for (const KeyDef& key : keyTable()) {
        const std::string name = key.table;
        if (name == table || name.rfind(table + ".", 0) == 0) return true;
    }
    return false;
}

const std::vector<NamedValue>& namedValues(int id) {
    static const std::vector<NamedValue> types = {{"gui", 1}, {"console", 2}};
    static const std::vector<NamedValue> none;
    return id == C::ExecutableType ? types : none;
}

const KeyDef* keyForId(int id) {
    for (const KeyDef& key : keyTable())
        if (key.id == id) return &key;
    return nullptr;
}

const std::vector<MessageDef>& messageTable() {
    static const std::vector<MessageDef> table = {
        {1000, "caption", "Error"},
        {1001, "no-jvm", "No JVM could be found on your system. Please define QARVO_JAVA_HOME to point to an installed JDK or JRE."},
        {1002, "path-jvm-damaged", "The JVM found in your path is damaged. Please reinstall it or define QARVO_JAVA_HOME."},
        {1003, "env-var-no-jvm", "The environment variable {0} does not point to a working JDK or JRE."},
        {1004, "jvm-damaged", "The JVM found at {0} is damaged. Please reinstall it or define QARVO_JAVA_HOME."},
        {1005, "jvm-start-failed",
         "The JVM could not be started. The maximum heap size (-Xmx) might be too large or an antivirus or firewall tool could block the execution."},
        {1006, "file-not-found", "The file or directory {0} was not found or is empty."},
        {1007, "invalid-parameters", "Invalid parameters."},
        {1008, "env-var-undefined", "The environment variable {0} must be defined."},
        {1009, "internal-error", "An internal error occurred (error code: {0})."},
        {1010, "main-class-not-loaded", "The main class could not be loaded."},
        {1011, "main-method-not-found", "The main method was not found."},
        {1012, "error-word", "Error"},
        {1013, "ok-word", "Ok"},
        {1014, "error-starting", "Error starting {0}:"},
        {1015, "power-user-required", "You must at least be a power user to start this program."},
        {1016, "no-jvm-found",
         "No JVM could be found on your system. Please define QARVO_JAVA_HOME to point to an installed {0}-bit JDK or JRE or download Java from the public Java download site."},
        {1017, "env-var-jvm-broken-32", "The environment variable {0} does not point to a working 32-bit JDK or JRE."},
        {1018, "env-var-jvm-broken-64", "The environment variable {0} does not point to a working 64-bit JDK or JRE."},
        {1019, "jvm-damaged-32",
         "The JVM found at {0} is damaged. Please reinstall it or define QARVO_JAVA_HOME to point to a 32-bit JDK or JRE."},
        {1020, "jvm-damaged-64",
         "The JVM found at {0} is damaged. Please reinstall it or define QARVO_JAVA_HOME to point to a 64-bit JDK or JRE."},
    };
    return table;
}

const MessageDef* messageByName(const std::string& name) {
    for (const MessageDef& m : messageTable())
        if (name == m.name) return &m;
    return nullptr;
}

const MessageDef* messageById(int id) {
    for (const MessageDef& m : messageTable())
        if (m.id == id) return &m;
    return nullptr;
}

const std::vector<BuilderKey>& builderKeyTable() {
    static const std::vector<BuilderKey> table = {
        {"java", "search",
         "where to look for a Java runtime, in words, in order: \"bundled:DIR\", \"directory:DIR\", \"env:VARIABLE\", "
         "\"registry\", \"well-known\" or \"path\" (default: [\"bundled:jre\", \"env:JAVA_HOME\", \"env:JDK_HOME\", "
         "\"registry\", \"well-known\", \"path\"])",
         BuilderKind::Search},
        {"runtime", "jar",
         "where the Java-side runtime goes: \"bundled\" (the default: included in the executable), \"beside\" "
         "(copied beside it and put on the class path) or \"none\" (the class path names it)",
         BuilderKind::Word, {"beside", "bundled", "none"}},
        {"build", "arch",
         "the generic launcher the executable is made from: \"x86\" (the default) or \"x64\"; --arch overrides it",
         BuilderKind::Word, {"x86", "x64"}},
        {"build", "default-messages", "write the English messages the project leaves out (default: true)",
         BuilderKind::Flag},
        {"build", "default-search", "use the default runtime search when the project names none (default: true)",
         BuilderKind::Flag},
        {"build", "archive-cache",
         "the included archives that join the class path are written once into a per-user cache and used from "
         "there (default: true); false extracts them at every start",
         BuilderKind::Flag},
        {"resources", "icon",
         "the application icon: a .ico file, or a list of PNG images (at most 256 x 256 each) packed into one icon",
         BuilderKind::Images},
        {"resources", "splash-icon", "the splash window's icon, as icon (default: the application icon)",
         BuilderKind::Images},
        {"resources", "splash-bitmap", "the splash bitmap, drawn by the launcher's own splash window: a .bmp file",
         BuilderKind::File},
        {"resources", "splash-image",
         "the splash image for the runtime's splash library: a PNG, JPEG, GIF or BMP file (default: the "
         "splash-bitmap file)",
         BuilderKind::File},
        {"manifest", "file", "a manifest that replaces the generated one (not with dpi-awareness or long-path-aware)",
         BuilderKind::File},
        {"manifest", "dpi-awareness", "DPI awareness of the generated manifest (default: \"unaware\")",
         BuilderKind::Word, manifest::dpiAwarenessNames()},
        {"manifest", "long-path-aware",
         "long-path awareness of the generated manifest: paths beyond MAX_PATH where Windows allows them",
         BuilderKind::Flag},
        {"files", "source", "the file to include", BuilderKind::File, {}, true},
        {"files", "name",
         "the name it is stored and extracted under: relative, with at most one directory level "
         "(\"lib\\\\helper.dll\"); default: the source's file name",
         BuilderKind::Text},
        {"files", "size", "its size, written by inspect", BuilderKind::Ignored},
        {"files", "cache",
         "whether it comes from the per-user archive cache instead of being extracted at every start (default: "
         "true for .jar and .zip files at the top level or in user\\, which alone may take it, unless "
         "build.archive-cache is false)",
         BuilderKind::Flag},
        {"localized", "locale", "the locale code of a group: \"de\" matches de and de_CH, \"\" every locale",
         BuilderKind::LocaleCode, {}, true},
        {"localized", "messages", "messages of a locale", BuilderKind::Messages},
        {"localized", "entries", "wide entries of a locale", BuilderKind::WideEntries},
        {"entries", "", "narrow entries by number", BuilderKind::Entries},
        {"wide-entries", "", "wide entries by number", BuilderKind::WideEntries},
    };
    return table;
}

const BuilderKey* builderKey(const std::string& table, const std::string& name) {
    for (const BuilderKey& key : builderKeyTable())
        if (table == key.table && name == key.name) return &key;
    return nullptr;
}

bool isArrayOfTables(const std::string& table) { return table == "files" || table == "localized"; }

const char* tableHelp(const std::string& table) {
    static const std::pair<const char*, const char*> tables[] = {
        {"application", "the application: its name, type, main class or module, and how it starts"},
        {"java", "the Java side: class path, VM parameters, versions and where to look for a runtime"},
        {"redirect", "standard error and standard output redirected to files"},
        {"splash", "the splash screen"},
        {"splash.line1", "the first text line of the splash screen"},
        {"splash.line2", "the second text line of the splash screen"},
        {"service", "a Windows service: the executable installs, runs and controls itself as the service of this "
                    "name (--service install|uninstall|start|stop|status)"},
        {"messages", "messages 1000 to 1020 by name; those left out get their English texts unless "
                     "[build] default-messages = false"},
        {"runtime", "the Java-side runtime archive, qarvo-runtime.jar"},
        {"build", "how the executable is built"},
        {"resources", "icons and splash images of the executable; what a project leaves out keeps the generic "
                      "launcher's"},
        {"manifest", "the application manifest"},
        {"version", "version information, as Explorer and the version API show it; written when the table is there"},
        {"files", "files included after the configuration block, written into a temporary directory at start "
                  "(archives that join the class path: into a per-user cache, once); their .jar and .zip files "
                  "come first on the class path"},
        {"localized", "texts for users whose locale code starts with locale; later groups win for the ids they share"},
        {"entries", "any entry by its number, taken as it is: strings (Windows-1252) or integers"},
        {"wide-entries", "any entry by its number, taken as it is: strings (UTF-16)"},
    };
    for (const auto& [name, help] : tables)
        if (table == name) return help;
    return "";
}

std::string wordList(const std::vector<const char*>& words) {
    std::string out;
    for (size_t i = 0; i < words.size(); ++i)
        out += std::string(i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + "\"" + words[i] + "\"";
    return out;
}

const std::vector<std::string>& knownProjectKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> out;
        for (const KeyDef& def : keyTable()) out.push_back(std::string(def.table) + "." + def.name);
        for (const MessageDef& m : messageTable()) out.push_back(std::string("messages.") + m.name);
        for (const version::StringKey& k : version::stringKeys()) out.push_back(std::string("version.") + k.key);
        for (const BuilderKey& key : builderKeyTable())
            out.push_back(*key.name == '\0' ? std::string(key.table) : std::string(key.table) + "." + key.name);
        return out;
    }();
    return keys;
}
