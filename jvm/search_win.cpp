#include "jvm/search.h"

#include <cstdio>

#include "files/fileutil.h"
#include "files/process_system.h"
#include "jvm/packed.h"
#include "jvm/probe.h"
#include "platform/win_text.h"

namespace {

// The search's questions answered by this machine.
class WinRuntimeProbe : public RuntimeProbe {
public:
    WinRuntimeProbe(const JavaSearchSettings& settings, void (*expand)(std::string&))
        : RuntimeProbe(processSystem()), settings_(settings), expand_(expand) {}

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
    std::FILE* file = std::fopen(path.c_str(), "rt");
    if (file == nullptr) return false;
    // The whole first line, however long.
    line.clear();
    char chunk[8192];
    bool read = false;
    while (std::fgets(chunk, sizeof chunk, file) != nullptr) {
        read = true;
        line += chunk;
        if (!line.empty() && line.back() == '\n') break;
    }
    std::fclose(file);
    if (!read) return false;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return true;
}
