#include "jvm/search.h"

#include <fstream>

#include "files/fileutil.h"
#include "jvm/packed.h"
#include "jvm/probe.h"
#include "jvm/registry.h"
#include "log/diaglog.h"
#include "platform/handle.h"
#include "platform/win_text.h"

namespace {

HKEY rootKey(RegistryRoot root) { return root == RegistryRoot::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// The search's questions answered by this machine.
class WinRuntimeProbe : public RuntimeProbe {
public:
    WinRuntimeProbe(const JavaSearchSettings& settings, void (*expand)(std::string&))
        : settings_(settings), expand_(expand) {}

    void log(const std::string& line) override { logInfo("%s", line.c_str()); }

    std::optional<std::string> locationFile(const std::string& relativeName) override {
        std::string line;
        if (!readLocationFile(line, settings_.applicationRoot, relativeName)) return std::nullopt;
        return line;
    }

    std::string expandVariables(const std::string& text) override {
        std::string expanded = text;
        expand_(expanded);
        return expanded;
    }

    std::string resolvePath(const std::string& path, bool keepCase) override { return ::resolvePath(path, keepCase); }
    bool preparePackedRuntime(const std::string& home) override { return ::preparePackedRuntime(home); }
    bool fileExists(const std::string& path) override { return ::fileExists(path); }

    std::optional<std::string> environmentVariable(const std::string& name) override {
        std::string value;
        if (!::environmentVariable(name.c_str(), value)) return std::nullopt;
        return value;
    }

    std::optional<std::string> javaOnSearchPath() override {
        std::string found;
        fillGrowing(found, [](char* b, DWORD n) { return SearchPathA(nullptr, "java.exe", nullptr, n, b, nullptr); });
        if (found.empty()) return std::nullopt;
        return found;
    }

    bool checkJavaExe(std::string& javaExecutable, std::string& version, const std::string& minimum,
                      const std::string& maximum, bool betaAllowed) override {
        return ::checkJavaExe(settings_, javaExecutable, version, minimum, maximum, betaAllowed);
    }

    bool ofOwnArchitecture(const std::string& javaExecutable) override {
        return ::runtimeOfOwnArchitecture(javaExecutable, settings_.vmKindDirectory);
    }

    std::optional<std::string> registryValue(RegistryRoot root, const std::string& key,
                                             const std::string& name) override {
        std::string value;
        if (!readRegistryValue(rootKey(root), key, name.c_str(), value)) return std::nullopt;
        return value;
    }

    std::vector<std::string> registrySubkeys(RegistryRoot root, const std::string& key) override {
        return registrySubkeyNames(rootKey(root), key);
    }

    std::vector<std::string> subdirectories(const std::string& directory) override {
        std::vector<std::string> names;
        WIN32_FIND_DATAA entry;
        UniqueFind find(FindFirstFileA((directory + "\\*").c_str(), &entry));
        if (!find) return names;
        do {
            const std::string name = entry.cFileName;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." && name != "..")
                names.push_back(name);
        } while (FindNextFileA(find.get(), &entry));
        return names;
    }

private:
    const JavaSearchSettings& settings_;
    void (*expand_)(std::string&);
};

}  // namespace

FoundRuntime searchJvm(const JavaSearchSettings& configured, void (*expand)(std::string& text)) {
    SearchSettings settings;
    settings.entries = configured.entries;
    settings.minimum = configured.minimumVersion;
    settings.maximum = configured.maximumVersion;
    settings.jdkRequired = configured.jdkRequired;
    settings.installationId = configured.installationId;
    settings.is64Bit = sizeof(void*) == 8;
    WinRuntimeProbe probe(configured, expand);
    return searchRuntime(probe, settings);
}

bool readLocationFile(std::string& line, const std::string& applicationRoot, const std::string& relativeName) {
    const std::string path = applicationRoot + relativeName;
    std::ifstream in(path);
    if (!in) return false;
    if (!std::getline(in, line) && line.empty()) return false;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return true;
}
