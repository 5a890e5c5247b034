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
// module image) and the class path's entries in order.
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

// An archive in use by a running process does not go; the next start tries again.
void removeStaleArchives(const std::string& folder, const std::string& stem, const std::string& current) {
    for (const std::string& name : staleArchives(cachedFiles(folder), stem, current, fileTimeNow()))
        if (DeleteFileA((folder + "\\" + name).c_str())) logInfo("class-data sharing: removed %s", name.c_str());
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
    const std::string name = archiveFileName(stem, runtimeVersion, sharingFingerprint(fingerprintFiles(options, javaExecutable)));
    archive.path = cache + "\\" + name;
    const bool exists = fileExists(archive.path);
    // Archives of other class paths or runtimes only come with a new one:
    // a start that reads its archive leaves the folder as it is.
    if (!exists) {
        removeStaleArchives(cache, stem, name);
        archive.temporary = cache + "\\" + temporaryArchiveName(name, GetCurrentProcessId());
    }
    logInfo("class-data sharing: %s %s", exists ? "reading" : "creating", archive.path.c_str());
    return sharingOptions(exists ? archive.path : archive.temporary, runtimeVersion);
}

void keepWrittenArchive(const SharingArchive& archive) {
    if (archive.temporary.empty() || !fileExists(archive.temporary)) return;
    // No replacing: a start of another process may be reading the one there.
    if (MoveFileExA(archive.temporary.c_str(), archive.path.c_str(), 0)) {
        logInfo("class-data sharing: archive written");
    } else {
        DeleteFileA(archive.temporary.c_str());
    }
}
