#include "jvm/probe.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "files/fileutil.h"
#include "files/tempdir.h"
#include "jvm/registry.h"
#include "jvm/release_file.h"
#include "jvm/search_rules.h"
#include "jvm/versions.h"
#include "log/diaglog.h"
#include "platform/win_text.h"

namespace {

constexpr DWORD kProbeTimeoutMs = 60000;
constexpr const char* kFailedProbeVersion = "1.0.0";

// At most limit bytes of the file, or all of it; nothing when it cannot be
// opened. Plain stdio: a start that reads no other stream then never pays
// for setting up the C++ streams' locale.
std::optional<std::string> readFile(const std::string& path, const char* mode, size_t limit = SIZE_MAX) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    while (bytes.size() < limit) {
        const size_t got = std::fread(chunk, 1, std::min(sizeof chunk, limit - bytes.size()), file);
        if (got == 0) break;
        bytes.append(chunk, got);
    }
    std::fclose(file);
    return bytes;
}

// The probe's error output: every line up to the version line, which a
// runtime may precede with notices such as "Picked up _JAVA_OPTIONS".
std::string readOutput(const std::string& path) { return readFile(path, "rt").value_or(std::string()); }

// The version the runtime's release file states: in the home above bin, or
// for the JRE inside a JDK, in the JDK's home.
bool versionFromRelease(const std::string& javaExecutable, std::string& version) {
    const std::string bin = binDirectoryOf(javaExecutable);
    std::string home = bin.substr(0, bin.rfind('\\'));
    for (int level = 0; level < 2; ++level) {
        const std::string path = home + "\\release";
        if (const std::optional<std::string> text = readFile(path, "rb")) {
            std::optional<std::string> stated = versionFromReleaseFile(*text);
            if (!stated) {
                logInfo("release file %s states no version", path.c_str());
                return false;
            }
            version = *stated;
            return true;
        }
        if (home.size() < 4 || home.compare(home.size() - 4, 4, "\\jre") != 0) break;
        home.resize(home.size() - 4);
    }
    return false;
}

}  // namespace

bool runtimeOfOwnArchitecture(const std::string& javaExecutable, const std::string& vmKindDirectory) {
    constexpr uint16_t kOwnMachine = sizeof(void*) == 8 ? 0x8664 : 0x14c;
    for (const std::string& executable : {javaExecutable, alternativeJavaExecutable(javaExecutable)}) {
        for (const std::string& candidate : jvmDllCandidates(binDirectoryOf(executable), vmKindDirectory)) {
            // The first candidate that opens: one that doesn't could not be loaded either.
            const std::optional<std::string> header = readFile(candidate, "rb", 4096);
            if (!header) continue;
            const std::optional<uint16_t> machine = peMachineOf(*header);
            if (!machine || *machine == kOwnMachine) return true;
            logInfo("%s is a %s library: runtime skipped", candidate.c_str(),
                    *machine == 0x8664 ? "64-bit" : *machine == 0x14c ? "32-bit" : "foreign");
            return false;
        }
    }
    return true;
}

bool versionAllowed(const std::string& version, const std::string& minimum, const std::string& maximum,
                    bool betaAllowed) {
    if (!betaAllowed && isPreRelease(version)) {
        logInfo("beta vm not allowed");
        return false;
    }
    return versionWithinLimits(version, minimum, maximum);
}

bool checkJavaExe(const JavaSearchSettings& settings, std::string& javaExecutable, std::string& version,
                  const std::string& minimum, const std::string& maximum, bool betaAllowed) {
    logInfo("checkJavaExe (%s, [out], %s, %s, %d)", javaExecutable.c_str(), minimum.c_str(), maximum.c_str(),
            betaAllowed ? 1 : 0);
    javaExecutable = resolvePath(javaExecutable, false);
    const bool preReleaseAllowed = betaAllowed || settings.betaAllowed;
    uint64_t lastWrite = 0;
    bool result = false;
    version.clear();
    if (!findFileTime(javaExecutable, &lastWrite)) {
        logInfo("file doesn't exist");
    } else {
        logInfo("file exists");
        if (readCachedVersion(javaExecutable, lastWrite, version)) {
            logInfo("got version from registry %s", version.c_str());
            // The version recorded for an executable whose probe failed: it
            // stays unusable until the file changes.
            if (version == kFailedProbeVersion)
                logInfo("version probe failed before");
            else
                result = versionAllowed(version, minimum, maximum, preReleaseAllowed);
        } else if (versionFromRelease(javaExecutable, version)) {
            logInfo("got version from release file %s", version.c_str());
            writeCachedVersion(javaExecutable, lastWrite, version);
            result = versionAllowed(version, minimum, maximum, preReleaseAllowed);
        } else if (runJavaVersion(javaExecutable, lastWrite, version)) {
            logInfo("got version from execution %s", version.c_str());
            writeCachedVersion(javaExecutable, lastWrite, version);
            result = versionAllowed(version, minimum, maximum, preReleaseAllowed);
        } else {
            logInfo("couldn't get version");
        }
        if (result && !runtimeOfOwnArchitecture(javaExecutable, settings.vmKindDirectory)) result = false;
        if (result && settings.windowed) {
            javaExecutable = javaExecutable.substr(0, javaExecutable.size() - 4) + "w.exe";
            result = fileExists(javaExecutable);
        }
    }
    logInfo("checkJavaExe returning %d", result ? 1 : 0);
    return result;
}

UniqueHandle createInheritableOutputFile(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return UniqueHandle();
    HANDLE inheritable = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file.get(), GetCurrentProcess(), &inheritable, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return UniqueHandle();
    return UniqueHandle(inheritable);
}

bool runJavaVersion(const std::string& javaExecutable, uint64_t lastWriteTime, std::string& version) {
    std::string shortPath;
    fillGrowing(shortPath, [&](char* b, DWORD n) { return GetShortPathNameA(javaExecutable.c_str(), b, n); });
    if (shortPath.empty()) shortPath = javaExecutable;
    // Quoted: an unquoted path with blanks could start another program.
    std::string command = "\"" + shortPath + "\" -version";
    const std::string output = tempFileName();
    UniqueHandle errorFile = createInheritableOutputFile(output);

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdError = errorFile.get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process)) {
        logInfo("Could not create process %s > %s (error %lu)", command.c_str(), output.c_str(), GetLastError());
        errorFile.reset();
        std::remove(output.c_str());
        return false;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    WaitForSingleObject(processHandle.get(), kProbeTimeoutMs);
    DWORD exitCode = 0;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    logInfo("Exit Code %lu", exitCode);
    if (exitCode == STILL_ACTIVE) {
        logInfo("Terminating process");
        TerminateProcess(processHandle.get(), 1);
        WaitForSingleObject(processHandle.get(), 5000);
    } else if (exitCode != 0) {
        writeCachedVersion(javaExecutable, lastWriteTime, kFailedProbeVersion);
    }
    processHandle.reset();
    threadHandle.reset();
    errorFile.reset();

    bool found = false;
    if (exitCode == 0) {
        if (auto parsed = versionFromBanner(readOutput(output))) {
            version = *parsed;
            logInfo("Java version: %s", version.c_str());
            found = true;
        }
    }
    std::remove(output.c_str());
    return found;
}
