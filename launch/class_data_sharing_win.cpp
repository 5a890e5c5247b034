#include <cstring>

#include "files/fileutil.h"
#include "files/user_data.h"
#include "launch/class_data_sharing.h"
#include "log/diaglog.h"
#include "platform/handle.h"
#include "platform/win32.h"
#include "platform/win_text.h"

namespace {

uint64_t fileTimeValue(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FingerprintFile fingerprintFile(const std::string& path) {
    FingerprintFile file;
    file.path = path;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        file.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        file.lastWrite = fileTimeValue(data.ftLastWriteTime);
    }
    return file;
}

std::string directoryOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// What the archive depends on: the runtime (its java executable and its
// module image) and the class path's entries in order; and the options, the
// environment's JAVA_TOOL_OPTIONS among them, that a cache must match.
std::vector<FingerprintFile> fingerprintFiles(const VmOptionList& options, const std::string& javaExecutable) {
    std::vector<FingerprintFile> files = {fingerprintFile(javaExecutable),
                                          fingerprintFile(directoryOf(directoryOf(javaExecutable)) + "\\lib\\modules")};
    for (const std::string& entry : classPathEntries(options)) files.push_back(fingerprintFile(entry));
    return files;
}

// Whether a new file can be made in the folder (one that goes at its close).
bool takesFiles(const std::string& folder) {
    const std::string probe = folder + "\\" + temporaryArchiveName("write-check", GetCurrentProcessId());
    UniqueFile file(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return static_cast<bool>(file);
}

std::vector<CachedFile> cachedFiles(const std::string& folder) {
    std::vector<CachedFile> files;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find) return files;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            files.push_back({data.cFileName, fileTimeValue(data.ftLastWriteTime)});
    } while (FindNextFileA(find.get(), &data));
    return files;
}


void markAotFailure(const std::string& cache) {
    UniqueFile file(CreateFileA(aotFailedMarker(cache).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The helper: this executable again, the create command its command line and
// the files in its environment; without a console, at idle priority,
// inheriting nothing.
void startAotHelper(const SharingArchive& archive) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = archive.aotCreateCommand;
    // Out of the application's job where it may (a job that ends with the
    // application would end the helper too); in the cache folder, holding no other.
    if (SetEnvironmentVariableA(kAotHelperVariable, archive.aotProcessFiles.c_str()))
        for (const DWORD job : {DWORD{CREATE_BREAKAWAY_FROM_JOB}, DWORD{0}})
            if (process.hProcess == nullptr)
                CreateProcessA(executablePath().c_str(), command.data(), nullptr, nullptr, FALSE,
                               DETACHED_PROCESS | IDLE_PRIORITY_CLASS | job, nullptr, directoryOf(archive.path).c_str(),
                               &startup, &process);
    if (process.hProcess != nullptr) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        logInfo("class-data sharing: making %s", archive.path.c_str());
    } else {
        DeleteFileA(aotConfigurationFile(archive.aotProcessFiles).c_str());
        markAotFailure(archive.path);
    }
    SetEnvironmentVariableA(kAotHelperVariable, nullptr);
}

}  // namespace

VmOptionList prepareClassDataSharing(bool enabled, const std::string& folder, const VmOptionList& options,
                                     const std::string& runtimeVersion, const std::string& javaExecutable,
                                     const std::string& extractionDirectory, SharingArchive& archive) {
    archive = SharingArchive{};
    const SharingDecision decision = decideSharing(enabled, options, runtimeVersion, extractionDirectory);
    if (decision != SharingDecision::Added) {
        logInfo("class-data sharing: none (%s)", sharingDecisionText(decision));
        return {};
    }
    const std::string stem = executableStem();
    const std::string cache = userDataFolder(folder, "cds");
    if (cache.empty() || !makeDirectories(cache) || !takesFiles(cache)) {
        logInfo("class-data sharing: none (cannot write to %s)", cache.empty() ? "%LOCALAPPDATA%" : cache.c_str());
        return {};
    }
    // The environment's JAVA_TOOL_OPTIONS and _JAVA_OPTIONS reach the JVM as options too.
    std::string matching = aotMatchingOptions(options), environment;
    for (const char* name : {"JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS"})
        if (environmentVariable(name, environment)) matching += "\n" + environment;
    const std::string name =
        archiveFileName(stem, runtimeVersion, sharingFingerprint(fingerprintFiles(options, javaExecutable), matching));
    const SharingFiles files = sharingFiles(cachedFiles(cache), stem, name, fileTimeNow());
    const SharingMode mode = archive.mode = sharingMode(runtimeVersion, files);
    const bool reading = mode == SharingMode::ReadArchive || mode == SharingMode::ReadAotCache;
    // Archives of other class paths or runtimes only come with a new one:
    // a start that reads its archive leaves the folder as it is. One in use
    // by a running process does not go; the next start tries again.
    if (!reading)
        for (const std::string& stale : files.stale)
            if (DeleteFileA((cache + "\\" + stale).c_str())) logInfo("class-data sharing: removed %s", stale.c_str());
    archive.path = cache + "\\" + name;
    if (mode != SharingMode::ReadArchive && mode != SharingMode::WriteArchive) archive.path = aotCacheName(archive.path);
    const std::string own = processFileName(archive.path, GetCurrentProcessId());
    if (mode == SharingMode::AotCacheUnderway) {
        logInfo("class-data sharing: none (the cache is being made)");
        return {};
    }
    logInfo("class-data sharing: %s %s", reading ? "reading" : "creating", archive.path.c_str());
    if (mode == SharingMode::ReadAotCache) return {"-XX:AOTCache=" + archive.path};
    if (mode == SharingMode::RecordAotCache) {
        archive.aotProcessFiles = own;
        archive.aotCreateCommand = aotCreateCommand(javaExecutable, options, own);
        return aotRecordOptions(aotConfigurationFile(own));
    }
    if (!reading) archive.temporary = aotTemporaryFile(own);
    return sharingOptions(reading ? archive.path : archive.temporary, runtimeVersion);
}

void keepWrittenArchive(const SharingArchive& archive) {
    if (archive.mode == SharingMode::RecordAotCache) {
        // Once: the exit hook may follow DestroyJavaVM's return.
        static bool started = false;
        if (started) return;
        started = true;
        if (fileExists(aotConfigurationFile(archive.aotProcessFiles))) startAotHelper(archive);
        else markAotFailure(archive.path);
        return;
    }
    if (archive.temporary.empty() || !fileExists(archive.temporary)) return;
    // No replacing: a start of another process may be reading the one there.
    if (MoveFileExA(archive.temporary.c_str(), archive.path.c_str(), 0)) {
        logInfo("class-data sharing: archive written");
    } else {
        DeleteFileA(archive.temporary.c_str());
    }
}

bool runAotHelper() {
    std::string own;
    if (!environmentVariable(kAotHelperVariable, own)) return false;
    SetEnvironmentVariableA(kAotHelperVariable, nullptr);
    const std::string temporary = aotTemporaryFile(own), cache = aotCacheFile(own);
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueFile nul(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                               OPEN_EXISTING, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.get();
    PROCESS_INFORMATION process{};
    DWORD code = 1;
    std::string command = GetCommandLineA();
    // The java command reads JDK_JAVA_OPTIONS; the JVM the launcher made did not.
    SetEnvironmentVariableA("JDK_JAVA_OPTIONS", nullptr);
    if (nul && CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | IDLE_PRIORITY_CLASS,
                              nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        // Ten minutes is far beyond any cache's making.
        if (WaitForSingleObject(process.hProcess, 600000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
    }
    // No replacing: a start may be mapping the one there.
    if (code != 0 || !MoveFileExA(temporary.c_str(), cache.c_str(), 0)) {
        DeleteFileA(temporary.c_str());
        if (!fileExists(cache)) markAotFailure(cache);
    }
    DeleteFileA(aotConfigurationFile(own).c_str());
    return true;
}
