#include "jvm/registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "files/paths.h"
#include "format/config_ids.h"
#include "jvm/probe.h"
#include "jvm/search_rules.h"
#include "jvm/versions.h"
#include "launcher/config.h"
#include "launcher/handle.h"
#include "log/diaglog.h"

namespace {

const char* const kCacheKey = "SOFTWARE\\korvath\\qarvo\\jvms\\";
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

UniqueKey openKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return UniqueKey();
    return UniqueKey(key);
}

// Subkey names by index until the enumeration has no more.
std::vector<std::string> subkeyNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        std::string name(8192, '\0');
        DWORD length = static_cast<DWORD>(name.size());
        LONG rc = RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;
        name.resize(length);
        names.push_back(name);
    }
    return names;
}

// A string value up to its first NUL.
std::string textOf(const std::string& bytes) { return bytes.substr(0, std::strlen(bytes.c_str())); }

std::string currentVersionIfInRange(const char* key, const std::string& minimum, const std::string& maximum) {
    std::string version;
    if (!readRegistryValue(HKEY_LOCAL_MACHINE, key, "CurrentVersion", version, 100)) return std::string();
    return versionNameInRange(version, minimum, maximum) ? version : std::string();
}

bool searchJavaSoftCurrentVersion(const JavaSoftKeys& keys, std::string& javaExecutable, std::string& version,
                                  const std::string& minimum, const std::string& maximum) {
    const std::string jdk = currentVersionIfInRange(keys.jdk, minimum, maximum);
    const std::string jre =
        configInt(ConfigId::JdkRequired) != 0 ? std::string() : currentVersionIfInRange(keys.jre, minimum, maximum);
    const bool useJdk = compareVersions(jdk, jre) > 0;
    const std::string key = std::string(useJdk ? keys.jdk : keys.jre) + "\\" + (useJdk ? jdk : jre);
    std::string home;
    if (!readRegistryValue(HKEY_LOCAL_MACHINE, key, "JavaHome", home)) return false;
    if (!javaExeForHome(javaExecutable, home)) return false;
    return checkJavaExe(javaExecutable, version, minimum, maximum, false);
}

bool searchJavaSoftVersions(std::string& javaExecutable, std::string& version, const std::string& minimum,
                            const std::string& maximum, const std::string& keyPath) {
    UniqueKey key = openKey(HKEY_LOCAL_MACHINE, keyPath);
    if (!key) return false;
    std::vector<std::string> names;
    for (const std::string& name : subkeyNames(key.get()))
        if (versionNameInRange(name, minimum, maximum)) names.push_back(name);
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return compareVersions(a, b) < 0; });
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        std::string home;
        if (readRegistryValue(HKEY_LOCAL_MACHINE, keyPath + "\\" + *it, "JavaHome", home) &&
            javaExeForHome(javaExecutable, home) && checkJavaExe(javaExecutable, version, minimum, maximum, false))
            return true;
    }
    return false;
}

}  // namespace

bool readRegistryValue(HKEY root, const std::string& keyPath, const char* valueName, std::string& value,
                       DWORD capacity) {
    UniqueKey key = openKey(root, keyPath);
    if (!key) return false;
    std::string buffer(capacity, '\0');
    DWORD size = capacity;
    LONG rc = RegQueryValueExA(key.get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (rc == ERROR_MORE_DATA) {
        buffer.assign(size, '\0');
        rc = RegQueryValueExA(key.get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
    }
    if (rc != ERROR_SUCCESS) return false;
    buffer.resize(std::min<DWORD>(size, static_cast<DWORD>(buffer.size())));
    value = textOf(buffer);
    return true;
}

bool readCachedVersion(const std::string& javaExecutable, uint64_t lastWriteTime, std::string& version) {
    UniqueKey key = openKey(HKEY_CURRENT_USER, pathKeyName(kCacheKey, javaExecutable));
    if (!key) return false;
    unsigned char stored[8];
    DWORD size = sizeof stored;
    if (RegQueryValueExA(key.get(), "LastWriteTime", nullptr, nullptr, stored, &size) != ERROR_SUCCESS || size != 8)
        return false;
    for (int i = 0; i < 8; ++i)
        if (stored[i] != static_cast<unsigned char>(lastWriteTime >> (8 * i))) return false;
    return readRegistryValue(HKEY_CURRENT_USER, pathKeyName(kCacheKey, javaExecutable), "Version", version);
}

void writeCachedVersion(const std::string& javaExecutable, uint64_t lastWriteTime, const std::string& version) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, pathKeyName(kCacheKey, javaExecutable).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &created, nullptr) != ERROR_SUCCESS)
        return;
    UniqueKey key(created);
    unsigned char time[8];
    for (int i = 0; i < 8; ++i) time[i] = static_cast<unsigned char>(lastWriteTime >> (8 * i));
    RegSetValueExA(key.get(), "LastWriteTime", 0, REG_BINARY, time, sizeof time);
    RegSetValueExA(key.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>(version.size() + 1));
}

bool bestLocatedJvm(HKEY root, std::string& javaExecutable, std::string& bestVersion, const std::string& minimum,
                    const std::string& maximum) {
    bestVersion.clear();
    UniqueKey key = openKey(root, kLocatedKey);
    if (!key) return false;
    bool found = false;
    for (const std::string& name : subkeyNames(key.get())) {
        std::string path = pathFromKeyName(name);
        std::string version;
        if (checkJavaExe(path, version, minimum, maximum, true) &&
            (!found || compareVersions(version, bestVersion) > 0)) {
            bestVersion = version;
            javaExecutable = path;
            found = true;
        }
    }
    return found;
}

bool bestLocatedJvmAnyRoot(std::string& javaExecutable, std::string& version, const std::string& minimum,
                           const std::string& maximum) {
    std::string userPath, userVersion, machinePath, machineVersion;
    const bool user = bestLocatedJvm(HKEY_CURRENT_USER, userPath, userVersion, minimum, maximum);
    const bool machine = bestLocatedJvm(HKEY_LOCAL_MACHINE, machinePath, machineVersion, minimum, maximum);
    if (!user && !machine) return false;
    const bool takeUser = user && (!machine || compareVersions(userVersion, machineVersion) > 0);
    javaExecutable = takeUser ? userPath : machinePath;
    version = takeUser ? userVersion : machineVersion;
    return true;
}

bool searchJavaSoft(std::string& javaExecutable, std::string& version, const std::string& minimum,
                    const std::string& maximum) {
    for (const JavaSoftKeys& keys : kJavaSoftKeys) {
        if (searchJavaSoftCurrentVersion(keys, javaExecutable, version, minimum, maximum)) return true;
        if (configInt(ConfigId::JdkRequired) == 0 &&
            searchJavaSoftVersions(javaExecutable, version, minimum, maximum, keys.jre))
            return true;
        if (searchJavaSoftVersions(javaExecutable, version, minimum, maximum, keys.jdk)) return true;
    }
    return false;
}

bool searchRegistryJvm(std::string& javaExecutable, const std::string& minimum, const std::string& maximum) {
    std::string sunPath, sunVersion, locatedPath, locatedVersion;
    const bool sun = searchJavaSoft(sunPath, sunVersion, minimum, maximum);
    const bool located = bestLocatedJvmAnyRoot(locatedPath, locatedVersion, minimum, maximum);
    if (sun) logInfo("found sun %s %s", sunPath.c_str(), sunVersion.c_str());
    if (located) logInfo("found located %s %s", locatedPath.c_str(), locatedVersion.c_str());
    if (!sun && !located) return false;
    const bool takeSun = sun && (!located || compareVersions(sunVersion, locatedVersion) > 0);
    javaExecutable = takeSun ? sunPath : locatedPath;
    return true;
}

bool findPreviousInstallation(HKEY root, std::string& javaExecutable, const std::string& minimum,
                              const std::string& maximum) {
    const std::string id = configString(ConfigId::InstallationId);
    if (id.empty()) return false;
    std::string directories;
    if (!readRegistryValue(root, kInstallationsKey, id.c_str(), directories) || directories.empty()) return false;
    logInfo("found installations: %s", directories.c_str());
    for (const std::string& directory : splitPathList(directories)) {
        std::string version;
        if (javaExeForHome(javaExecutable, directory + "\\jre") &&
            checkJavaExe(javaExecutable, version, minimum, maximum, false))
            return true;
    }
    return false;
}
