#include "jvm/runtime_search.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "files/paths.h"
#include "jvm/versions.h"

namespace {

// std::stable_sort's order by an insertion sort: the lists of registry keys
// are short, and the library's merge sort costs the launcher kilobytes per
// element type.
template <typename T, typename Less>
void stableSort(std::vector<T>& items, Less less) {
    for (size_t i = 1; i < items.size(); ++i) {
        T item = std::move(items[i]);
        size_t j = i;
        for (; j > 0 && less(item, items[j - 1]); --j) items[j] = std::move(items[j - 1]);
        items[j] = std::move(item);
    }
}

const char* const kLocatedKey = "SOFTWARE\\korvath\\qarvo\\locatedjvms\\";
const char* const kInstallationsKey = "SOFTWARE\\korvath\\morvantic\\installations";

struct JavaSoftKeys {
    const char* jdk;
    const char* jre;
};

// The keys of older runtimes first, then those of Java 9 and later.
constexpr JavaSoftKeys kJavaSoftKeys[] = {
    {"SOFTWARE\\JavaSoft\\Java Development Kit", "SOFTWARE\\JavaSoft\\Java Runtime Environment"},
    {"SOFTWARE\\JavaSoft\\JDK", "SOFTWARE\\JavaSoft\\JRE"},
};

// A vendor's key: below `parent`, one subkey per installed runtime whose name
// is `prefix` and a version (Zulu adds "-jre" for its JREs); the home is the
// value `value` of that subkey's `below`.
struct VendorKey {
    const char* parent;
    const char* prefix;
    const char* below;
    const char* value;
    bool jre;
};

constexpr VendorKey kVendorKeys[] = {
    {"SOFTWARE\\Eclipse Adoptium\\JDK", "", "\\hotspot\\MSI", "Path", false},
    {"SOFTWARE\\Eclipse Adoptium\\JRE", "", "\\hotspot\\MSI", "Path", true},
    {"SOFTWARE\\Eclipse Foundation\\JDK", "", "\\hotspot\\MSI", "Path", false},
    {"SOFTWARE\\Eclipse Foundation\\JRE", "", "\\hotspot\\MSI", "Path", true},
    {"SOFTWARE\\AdoptOpenJDK\\JDK", "", "\\hotspot\\MSI", "Path", false},
    {"SOFTWARE\\AdoptOpenJDK\\JRE", "", "\\hotspot\\MSI", "Path", true},
    {"SOFTWARE\\Microsoft\\JDK", "", "\\hotspot\\MSI", "Path", false},
    {"SOFTWARE\\Semeru\\JDK", "", "\\openj9\\MSI", "Path", false},
    {"SOFTWARE\\Semeru\\JRE", "", "\\openj9\\MSI", "Path", true},
    {"SOFTWARE\\Azul Systems\\Zulu", "zulu-", "", "InstallationPath", false},
    {"SOFTWARE\\Azul Systems\\Zulu 32-bit", "zulu-", "", "InstallationPath", false},
    {"SOFTWARE\\BellSoft\\Liberica", "jdk-", "", "InstallationPath", false},
    {"SOFTWARE\\BellSoft\\Liberica", "jre-", "", "InstallationPath", true},
    {"SOFTWARE\\SapMachine\\JDK", "", "", "JavaHome", false},
    {"SOFTWARE\\SapMachine\\JRE", "", "", "JavaHome", true},
};

// The folders the installers and tools of the OpenJDK vendors install below.
constexpr const char* kVendorFolders[] = {"Eclipse Adoptium", "Java", "Amazon Corretto", "Microsoft", "Zulu",
                                          "BellSoft", "Semeru", "SapMachine\\JDK", "RedHat"};

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool startsWithDigit(const std::string& text) { return !text.empty() && text[0] >= '0' && text[0] <= '9'; }

// One search: the settings, the probe and the candidates' checks.
class Search {
public:
    Search(RuntimeProbe& probe, const SearchSettings& settings) : probe_(probe), s_(settings) {}

    FoundRuntime run() {
        probe_.system.log("Searching for a JVM");
        FoundRuntime found;
        if (tryLocationFile("\\.morvantic\\pref_jre.cfg", "Has preferred location ", "Using preferred location",
                            found) || unpackFailed_)
            return result(found);
        for (const SearchEntry& entry : s_.entries)
            if (tryEntry(entry, found) || unpackFailed_) return result(found);
        if (tryLocationFile("\\.morvantic\\inst_jre.cfg", "Has installer location ", "Using installer location",
                            found) || unpackFailed_)
            return result(found);
        if (fallbackPass(found) || unpackFailed_) return result(found);
        for (RegistryRoot root : {RegistryRoot::User, RegistryRoot::Machine}) {
            if (!findPreviousInstallation(root, found.javaExecutable)) continue;
            probe_.system.log(std::string("found JRE from previous installation (") +
                              (root == RegistryRoot::User ? "user" : "machine") + ") " + found.javaExecutable);
            found.source = JvmSource::Registry;
            return found;
        }
        probe_.system.log("Search sequence finished");
        for (const char* variable : {"QARVO_JAVA_HOME", "MORVANTIC_JAVA_HOME"}) {
            if (checkEnvironmentHome(found.javaExecutable, variable)) {
                found.home = variable;
                found.source = JvmSource::EnvironmentVariable;
                return found;
            }
        }
        return FoundRuntime{};
    }

    // The version the check of an executable found; empty for one taken
    // without a check (the fallback pass takes a runtime that is present).
    std::string versionOf(const std::string& javaExecutable) const {
        for (auto v = versions_.rbegin(); v != versions_.rend(); ++v)
            if (v->first == javaExecutable) return v->second;
        return std::string();
    }

private:
    FoundRuntime result(const FoundRuntime& found) const {
        return unpackFailed_ ? FoundRuntime{JvmSource::UnpackFailed, {}, {}, {}} : found;
    }

    bool check(std::string& javaExecutable, std::string& version, bool betaAllowed) {
        if (!probe_.checkJavaExe(javaExecutable, version, s_.minimum, s_.maximum, betaAllowed)) return false;
        versions_.emplace_back(javaExecutable, version);
        return true;
    }
    bool check(std::string& javaExecutable, bool betaAllowed) {
        std::string version;
        return check(javaExecutable, version, betaAllowed);
    }
    bool forHome(std::string& javaExecutable, const std::string& home) {
        return javaExeForHome(probe_, s_.jdkRequired, javaExecutable, home);
    }

    bool tryLocationFile(const char* file, const char* hasLine, const char* using_, FoundRuntime& found) {
        const std::optional<std::string> line = probe_.locationFile(file);
        if (!line) return false;
        probe_.system.log(hasLine + *line);
        if (!checkHome(found.javaExecutable, *line, false)) return false;
        probe_.system.log(using_);
        found.home = *line;
        found.source = JvmSource::Directory;
        return true;
    }

    bool tryEntry(const SearchEntry& entry, FoundRuntime& found) {
        const std::string location = probe_.expandVariables(entry.location);
        probe_.system.log("Testing location " + location + " (type " + entry.letter + ")");
        std::string& exe = found.javaExecutable;
        found.home = location;
        switch (entry.type) {
            case LocationType::Directory:
            case LocationType::Bundled:
            case LocationType::Relative:
                found.source = JvmSource::Directory;
                return checkHome(exe, location, false);
            case LocationType::SearchPath:
                found.source = JvmSource::SearchPath;
                return checkSearchPath(exe);
            case LocationType::EnvironmentVariable:
                found.source = JvmSource::EnvironmentVariable;
                return checkEnvironmentHome(exe, location);
            case LocationType::Registry:
                found.source = JvmSource::Registry;
                found.home.clear();
                return searchRegistry(exe);
            case LocationType::WellKnown:
                found.source = JvmSource::Directory;
                return searchWellKnown(exe, found.home);
            case LocationType::None:
                break;
        }
        return false;
    }

    // Relative locations again, accepted when their java executable exists.
    bool fallbackPass(FoundRuntime& found) {
        for (const SearchEntry& entry : s_.entries) {
            if (!triedInFallback(entry)) continue;
            if (unpackFailed_) return false;
            probe_.system.log("Testing relative location " + entry.location);
            if (checkHome(found.javaExecutable, entry.location, true) &&
                probe_.system.fileExists(found.javaExecutable) && probe_.ofOwnArchitecture(found.javaExecutable)) {
                probe_.system.log(found.javaExecutable + " exists");
                found.home = entry.location;
                found.source = JvmSource::Directory;
                return true;
            }
        }
        return false;
    }

    bool checkHome(std::string& javaExecutable, const std::string& directory, bool presenceOnly) {
        const std::string normalised = probe_.resolvePath(directory, false);
        if (!probe_.preparePackedRuntime(normalised)) {
            unpackFailed_ = true;
            return false;
        }
        const bool found = forHome(javaExecutable, normalised);
        if (presenceOnly) return true;
        return found && check(javaExecutable, true);
    }

    bool checkEnvironmentHome(std::string& javaExecutable, const std::string& variable) {
        std::optional<std::string> value = probe_.system.environmentVariable(variable);
        if (!value || value->empty()) return false;
        std::replace(value->begin(), value->end(), '/', '\\');
        return forHome(javaExecutable, *value) && check(javaExecutable, false);
    }

    bool checkSearchPath(std::string& javaExecutable) {
        const std::optional<std::string> found = probe_.javaOnSearchPath();
        if (!found || found->empty()) return false;
        javaExecutable = *found;
        return check(javaExecutable, false);
    }

    // ---------------------------------------------------------------- registry

    std::string currentVersionIfInRange(const char* key) {
        const std::string version =
            probe_.system.registryValue(RegistryRoot::Machine, key, "CurrentVersion").value_or("");
        return versionNameInRange(version, s_.minimum, s_.maximum) ? version : std::string();
    }

    bool javaSoftCurrentVersion(const JavaSoftKeys& keys, std::string& javaExecutable, std::string& version) {
        const std::string jdk = currentVersionIfInRange(keys.jdk);
        const std::string jre = s_.jdkRequired ? std::string() : currentVersionIfInRange(keys.jre);
        const bool useJdk = compareVersions(jdk, jre) > 0;
        const std::string key = std::string(useJdk ? keys.jdk : keys.jre) + "\\" + (useJdk ? jdk : jre);
        const std::optional<std::string> home = probe_.system.registryValue(RegistryRoot::Machine, key, "JavaHome");
        return home && forHome(javaExecutable, *home) && check(javaExecutable, version, false);
    }

    bool javaSoftVersions(const std::string& keyPath, std::string& javaExecutable, std::string& version) {
        std::vector<std::string> names;
        for (const std::string& name : probe_.system.registrySubkeys(RegistryRoot::Machine, keyPath))
            if (versionNameInRange(name, s_.minimum, s_.maximum)) names.push_back(name);
        stableSort(names, [](const std::string& a, const std::string& b) { return compareVersions(a, b) < 0; });
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            const std::optional<std::string> home =
                probe_.system.registryValue(RegistryRoot::Machine, keyPath + "\\" + *it, "JavaHome");
            if (home && forHome(javaExecutable, *home) && check(javaExecutable, version, false)) return true;
        }
        return false;
    }

    bool javaSoft(std::string& javaExecutable, std::string& version) {
        for (const JavaSoftKeys& keys : kJavaSoftKeys) {
            if (javaSoftCurrentVersion(keys, javaExecutable, version)) return true;
            if (!s_.jdkRequired && javaSoftVersions(keys.jre, javaExecutable, version)) return true;
            if (javaSoftVersions(keys.jdk, javaExecutable, version)) return true;
        }
        return false;
    }

    // The vendors' keys: the newest version their names give within the
    // limits whose home passes the checks.
    bool vendors(std::string& javaExecutable, std::string& version) {
        std::vector<RegisteredHome> homes;
        for (RegisteredHome& home : vendorRegistryHomes(probe_))
            if (!(s_.jdkRequired && home.jre) && versionNameInRange(home.version, s_.minimum, s_.maximum))
                homes.push_back(std::move(home));
        stableSort(homes, [](const RegisteredHome& a, const RegisteredHome& b) {
            return compareVersions(a.version, b.version) > 0;
        });
        for (const RegisteredHome& home : homes)
            if (forHome(javaExecutable, home.home) && check(javaExecutable, version, false)) return true;
        return false;
    }

    bool bestLocated(RegistryRoot root, std::string& javaExecutable, std::string& bestVersion) {
        bestVersion.clear();
        bool found = false;
        for (const std::string& name : probe_.system.registrySubkeys(root, kLocatedKey)) {
            std::string path = pathFromKeyName(name);
            std::string version;
            if (check(path, version, true) && (!found || compareVersions(version, bestVersion) > 0)) {
                bestVersion = version;
                javaExecutable = path;
                found = true;
            }
        }
        return found;
    }

    bool bestLocatedAnyRoot(std::string& javaExecutable, std::string& version) {
        std::string userPath, userVersion, machinePath, machineVersion;
        const bool user = bestLocated(RegistryRoot::User, userPath, userVersion);
        const bool machine = bestLocated(RegistryRoot::Machine, machinePath, machineVersion);
        if (!user && !machine) return false;
        const bool takeUser = user && (!machine || compareVersions(userVersion, machineVersion) > 0);
        javaExecutable = takeUser ? userPath : machinePath;
        version = takeUser ? userVersion : machineVersion;
        return true;
    }

    // Entry type Y: the JavaSoft keys, the vendors' keys and the located JVMs;
    // the newest wins, the earlier source among equals.
    bool searchRegistry(std::string& javaExecutable) {
        std::string sunPath, sunVersion, vendorPath, vendorVersion, locatedPath, locatedVersion;
        const bool sun = javaSoft(sunPath, sunVersion);
        const bool vendor = vendors(vendorPath, vendorVersion);
        const bool located = bestLocatedAnyRoot(locatedPath, locatedVersion);
        if (sun) probe_.system.log("found sun " + sunPath + " " + sunVersion);
        if (vendor) probe_.system.log("found vendor " + vendorPath + " " + vendorVersion);
        if (located) probe_.system.log("found located " + locatedPath + " " + locatedVersion);
        if (vendor && (!sun || compareVersions(vendorVersion, sunVersion) > 0)) {
            sunPath = vendorPath;
            sunVersion = vendorVersion;
        }
        if (!sun && !vendor && !located) return false;
        const bool takeRegistered = (sun || vendor) && (!located || compareVersions(sunVersion, locatedVersion) > 0);
        javaExecutable = takeRegistered ? sunPath : locatedPath;
        return true;
    }

    bool findPreviousInstallation(RegistryRoot root, std::string& javaExecutable) {
        if (s_.installationId.empty()) return false;
        const std::optional<std::string> directories =
            probe_.system.registryValue(root, kInstallationsKey, s_.installationId);
        if (!directories || directories->empty()) return false;
        probe_.system.log("found installations: " + *directories);
        for (const std::string& directory : splitPathList(*directories))
            if (forHome(javaExecutable, directory + "\\jre") && check(javaExecutable, false)) return true;
        return false;
    }

    // ------------------------------------------------------ install directories

    // Entry type W: every Java home one level below the usual install roots;
    // the newest that passes the checks, the first found among equals.
    bool searchWellKnown(std::string& javaExecutable, std::string& home) {
        std::string bestVersion;
        bool found = false;
        for (const std::string& root : wellKnownInstallRoots(probe_, s_.is64Bit)) {
            const bool scoop = endsWith(root, "\\scoop\\apps");
            for (const std::string& name : probe_.system.subdirectories(root)) {
                const std::string candidate = root + "\\" + name + (scoop ? "\\current" : "");
                std::string executable, version;
                if (!forHome(executable, candidate) || !probe_.system.fileExists(executable)) continue;
                if (!check(executable, version, false)) continue;
                if (found && compareVersions(version, bestVersion) <= 0) continue;
                found = true;
                bestVersion = version;
                javaExecutable = executable;
                home = candidate;
            }
        }
        if (found) probe_.system.log("found installed " + javaExecutable + " " + bestVersion);
        return found;
    }

    bool unpackFailed_ = false;
    // Of the executables that passed their check, in that order (the last check of one holds).
    std::vector<std::pair<std::string, std::string>> versions_;
    RuntimeProbe& probe_;
    const SearchSettings& s_;
};

}  // namespace

FoundRuntime searchRuntime(RuntimeProbe& probe, const SearchSettings& settings) {
    Search search(probe, settings);
    FoundRuntime found = search.run();
    found.version = search.versionOf(found.javaExecutable);
    return found;
}

bool javaExeForHome(RuntimeProbe& probe, bool jdkRequired, std::string& javaExecutable, const std::string& home) {
    const std::string inner = home + "\\jre\\bin\\java.exe";
    const std::string plain = home + "\\bin\\java.exe";
    javaExecutable = probe.system.fileExists(inner) ? inner : plain;
    if (jdkRequired)
        return probe.system.fileExists(home + "\\lib\\tools.jar") || probe.system.fileExists(home + "\\bin\\javac.exe");
    return true;
}

std::vector<RegisteredHome> vendorRegistryHomes(RuntimeProbe& probe) {
    std::vector<RegisteredHome> homes;
    for (RegistryRoot root : {RegistryRoot::Machine, RegistryRoot::User}) {
        for (const VendorKey& key : kVendorKeys) {
            const std::string prefix = key.prefix;
            for (const std::string& name : probe.system.registrySubkeys(root, key.parent)) {
                if (name.compare(0, prefix.size(), prefix) != 0) continue;
                RegisteredHome home{name.substr(prefix.size()), std::string(), key.jre};
                if (!prefix.empty() && endsWith(home.version, "-jre")) {
                    home.version.resize(home.version.size() - 4);
                    home.jre = true;
                }
                if (!startsWithDigit(home.version)) continue;
                const std::optional<std::string> path =
                    probe.system.registryValue(root, std::string(key.parent) + "\\" + name + key.below, key.value);
                if (!path || path->empty()) continue;
                home.home = *path;
                // The installers write the directory with a trailing backslash.
                while (home.home.size() > 3 && home.home.back() == '\\') home.home.pop_back();
                homes.push_back(std::move(home));
            }
        }
    }
    return homes;
}

std::vector<std::string> wellKnownInstallRoots(RuntimeProbe& probe, bool is64Bit) {
    std::vector<std::string> programRoots;
    auto addRoot = [&](const std::string& root) {
        if (!root.empty() && std::find(programRoots.begin(), programRoots.end(), root) == programRoots.end())
            programRoots.push_back(root);
    };
    addRoot(probe.system.environmentVariable("ProgramFiles").value_or(""));
    if (!is64Bit) addRoot(probe.system.environmentVariable("ProgramFiles(x86)").value_or(""));
    const std::string local = probe.system.environmentVariable("LOCALAPPDATA").value_or("");
    if (!local.empty()) addRoot(local + "\\Programs");

    std::vector<std::string> roots;
    for (const std::string& root : programRoots)
        for (const char* folder : kVendorFolders) roots.push_back(root + "\\" + folder);
    const std::string profile = probe.system.environmentVariable("USERPROFILE").value_or("");
    if (!profile.empty()) {
        roots.push_back(profile + "\\.jdks");
        roots.push_back(profile + "\\scoop\\apps");
    }
    return roots;
}
