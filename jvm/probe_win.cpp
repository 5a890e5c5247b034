#include "jvm/probe.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "files/fileutil.h"
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

namespace {

constexpr size_t kBannerLimit = 64 * 1024;

// Reads what the probe writes until the pipe ends, or until the process has
// ended and nothing more is waiting (a console host the runtime started may
// keep its copy of the write end open), or the timeout. The pipe is read
// while the process runs, so a long banner never blocks it; what passes
// kBannerLimit is read and dropped.
std::string readProbeOutput(HANDLE pipe, HANDLE process, ULONGLONG deadline) {
    std::string output;
    bool ended = false;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) break;  // every writer has closed it
        if (available != 0) {
            char chunk[1024];
            DWORD got = 0;
            if (!ReadFile(pipe, chunk, std::min<DWORD>(available, sizeof chunk), &got, nullptr) || got == 0) break;
            if (output.size() < kBannerLimit) output.append(chunk, std::min<size_t>(got, kBannerLimit - output.size()));
            continue;
        }
        if (ended || GetTickCount64() >= deadline) break;
        ended = WaitForSingleObject(process, 20) == WAIT_OBJECT_0;
    }
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    return output;
}

}  // namespace

// The banner comes through a pipe, not a file: nothing is left in the
// temporary directory however long a process the runtime starts holds on to
// its handle. Only the pipe's write end is inherited.
bool runJavaVersion(const std::string& javaExecutable, uint64_t lastWriteTime, std::string& version) {
    std::string shortPath;
    fillGrowing(shortPath, [&](char* b, DWORD n) { return GetShortPathNameA(javaExecutable.c_str(), b, n); });
    if (shortPath.empty()) shortPath = javaExecutable;
    // Quoted: an unquoted path with blanks could start another program.
    std::string command = "\"" + shortPath + "\" -version";
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        logInfo("Could not create a pipe for %s (error %lu)", command.c_str(), GetLastError());
        return false;
    }
    UniqueHandle reading(readEnd);
    UniqueHandle writing(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdError = writeEnd;
    SIZE_T listSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    std::string listStorage(listSize, '\0');
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listStorage.data());
    const bool listed = listSize != 0 && InitializeProcThreadAttributeList(list, 1, 0, &listSize) &&
                        UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &writeEnd,
                                                  sizeof(writeEnd), nullptr, nullptr);
    if (listed) startup.lpAttributeList = list;
    PROCESS_INFORMATION process{};
    const bool created =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE,
                       NORMAL_PRIORITY_CLASS | (listed ? EXTENDED_STARTUPINFO_PRESENT : 0), nullptr, nullptr,
                       &startup.StartupInfo, &process);
    const DWORD createError = GetLastError();
    if (listed) DeleteProcThreadAttributeList(list);
    writing.reset();  // the child's copy is then the only one
    if (!created) {
        logInfo("Could not create process %s (error %lu)", command.c_str(), createError);
        return false;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    const ULONGLONG deadline = GetTickCount64() + kProbeTimeoutMs;
    // Every line up to the version line, which a runtime may precede with
    // notices such as "Picked up _JAVA_OPTIONS".
    const std::string output = readProbeOutput(reading.get(), processHandle.get(), deadline);
    const ULONGLONG now = GetTickCount64();
    WaitForSingleObject(processHandle.get(), now < deadline ? static_cast<DWORD>(deadline - now) : 0);
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

    bool found = false;
    if (exitCode == 0) {
        if (auto parsed = versionFromBanner(output)) {
            version = *parsed;
            logInfo("Java version: %s", version.c_str());
            found = true;
        }
    }
    return found;
}
