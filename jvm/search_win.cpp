#include "jvm/search.h"

#include <fstream>

#include "files/fileutil.h"
#include "format/config_ids.h"
#include "jvm/packed.h"
#include "jvm/probe.h"
#include "jvm/registry.h"
#include "jvm/search_rules.h"
#include "launch/variables.h"
#include "launcher/config.h"
#include "launcher/win_text.h"
#include "log/diaglog.h"

namespace {

struct Limits {
    std::string minimum;
    std::string maximum;
};

// One entry of the configured sequence; fills home and returns the source on success.
JvmSource tryEntry(const SearchEntry& entry, const Limits& limits, std::string& javaExecutable, std::string& home) {
    std::string location = entry.location;
    expandVariables(location);
    logInfo("Testing location %s (type %c)", location.c_str(), entry.type);
    switch (entry.type) {
        case 'A':
        case 'B':
        case 'R':
            if (checkJavaHome(javaExecutable, location, limits.minimum, limits.maximum, false)) {
                home = location;
                return JvmSource::Directory;
            }
            break;
        case 'S':
            if (checkJavaOnPath(javaExecutable, limits.minimum, limits.maximum)) {
                home = location;
                return JvmSource::SearchPath;
            }
            break;
        case 'E':
            if (checkEnvJavaHome(javaExecutable, location.c_str(), limits.minimum, limits.maximum)) {
                home = location;
                return JvmSource::EnvironmentVariable;
            }
            break;
        case 'Y':
            if (searchRegistryJvm(javaExecutable, limits.minimum, limits.maximum)) return JvmSource::Registry;
            break;
        default:
            break;
    }
    return JvmSource::NotFound;
}

bool tryLocationFile(const char* file, const char* hasLine, const char* using_, const Limits& limits,
                     std::string& javaExecutable, std::string& home) {
    std::string line;
    if (!readLocationFile(line, file)) return false;
    logInfo(hasLine, line.c_str());
    if (!checkJavaHome(javaExecutable, line, limits.minimum, limits.maximum, false)) return false;
    logInfo("%s", using_);
    home = line;
    return true;
}

}  // namespace

JvmSource searchJvm(std::string& javaExecutable, std::string& home) {
    logInfo("Searching for a JVM");
    const std::string sequence = configString(ConfigId::SearchSequence);
    const Limits limits{configString(ConfigId::MinVersion), configString(ConfigId::MaxVersion)};

    if (tryLocationFile("\\.morvantic\\pref_jre.cfg", "Has preferred location %s", "Using preferred location", limits,
                        javaExecutable, home))
        return JvmSource::Directory;

    const std::vector<SearchEntry> entries = parseSearchSequence(sequence);
    for (const SearchEntry& entry : entries) {
        const JvmSource source = tryEntry(entry, limits, javaExecutable, home);
        if (source != JvmSource::NotFound) return source;
    }

    if (tryLocationFile("\\.morvantic\\inst_jre.cfg", "Has installer location %s", "Using installer location", limits,
                        javaExecutable, home))
        return JvmSource::Directory;

    for (const SearchEntry& entry : entries) {
        if (entry.type != 'A' && entry.type != 'B' && entry.type != 'R') continue;
        if (!triedInFallback(entry)) continue;
        logInfo("Testing relative location %s", entry.location.c_str());
        if (checkJavaHome(javaExecutable, entry.location, limits.minimum, limits.maximum, true) &&
            fileExists(javaExecutable)) {
            logInfo("%s exists", javaExecutable.c_str());
            home = entry.location;
            return JvmSource::Directory;
        }
    }

    if (findPreviousInstallation(HKEY_CURRENT_USER, javaExecutable, limits.minimum, limits.maximum)) {
        logInfo("found JRE from previous installation (user) %s", javaExecutable.c_str());
        return JvmSource::Registry;
    }
    if (findPreviousInstallation(HKEY_LOCAL_MACHINE, javaExecutable, limits.minimum, limits.maximum)) {
        logInfo("found JRE from previous installation (machine) %s", javaExecutable.c_str());
        return JvmSource::Registry;
    }
    logInfo("Search sequence finished");
    for (const char* variable : {"QARVO_JAVA_HOME", "MORVANTIC_JAVA_HOME"}) {
        if (checkEnvJavaHome(javaExecutable, variable, limits.minimum, limits.maximum)) {
            home = variable;
            return JvmSource::EnvironmentVariable;
        }
    }
    return JvmSource::NotFound;
}

bool readLocationFile(std::string& line, const std::string& relativeName) {
    const std::string path = resolvePath(configString(ConfigId::AppRoot), true) + relativeName;
    std::ifstream in(path);
    if (!in) return false;
    if (!std::getline(in, line) && line.empty()) return false;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return true;
}

bool checkJavaHome(std::string& javaExecutable, const std::string& directory, const std::string& minimum,
                   const std::string& maximum, bool presenceOnly) {
    const std::string normalised = resolvePath(directory, false);
    preparePackedRuntime(normalised);
    const bool found = javaExeForHome(javaExecutable, normalised);
    if (presenceOnly) return true;
    std::string version;
    return found && checkJavaExe(javaExecutable, version, minimum, maximum, true);
}

bool checkEnvJavaHome(std::string& javaExecutable, const char* variable, const std::string& minimum,
                      const std::string& maximum) {
    std::string value;
    if (!environmentVariable(variable, value) || value.empty()) return false;
    for (char& c : value)
        if (c == '/') c = '\\';
    if (!javaExeForHome(javaExecutable, value)) return false;
    std::string version;
    return checkJavaExe(javaExecutable, version, minimum, maximum, false);
}

bool checkJavaOnPath(std::string& javaExecutable, const std::string& minimum, const std::string& maximum) {
    std::string found;
    fillGrowing(found, [](char* b, DWORD n) { return SearchPathA(nullptr, "java.exe", nullptr, n, b, nullptr); });
    if (found.empty()) return false;
    javaExecutable = found;
    std::string version;
    return checkJavaExe(javaExecutable, version, minimum, maximum, false);
}
