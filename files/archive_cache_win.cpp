// The archive cache's files: checks, writes through a temporary name, holds,
// and the daily pruning.
#include <vector>

#include "files/archive_cache.h"
#include "files/included.h"
#include "files/leftovers.h"
#include "files/user_data.h"
#include "format/sha256.h"
#include "log/diaglog.h"
#include "platform/handle.h"
#include "platform/win32.h"
#include "platform/win_text.h"

namespace {

// The cached files this process uses, held for its whole life.
std::vector<UniqueFile>& held() {
    static std::vector<UniqueFile> files;
    return files;
}

uint64_t fileTime(const FILETIME& time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

uint64_t uniqueNumber() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return mixUnique(static_cast<uint64_t>(counter.QuadPart), GetCurrentProcessId(), GetTickCount());
}

// Size and time of an open file.
// The size and the time on their own, not GetFileInformationByHandle: that
// one also asks for the volume's serial number, which costs Wine about
// 0.6 ms per file (two hundred times the two questions here).
bool facts(HANDLE file, uint64_t& size, uint64_t& lastWrite) {
    LARGE_INTEGER bytes;
    FILETIME written;
    if (!GetFileSizeEx(file, &bytes) || !GetFileTime(file, nullptr, nullptr, &written)) return false;
    size = static_cast<uint64_t>(bytes.QuadPart);
    lastWrite = fileTime(written);
    return true;
}

void touch(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    if (file) SetFileTime(file.get(), nullptr, nullptr, &time);
}

struct Hashing final : ChunkSink {
    HANDLE file;
    Sha256 sha;
    explicit Hashing(HANDLE f) : file(f) {}
    bool write(const char* data, uint32_t n, uint32_t* written, uint32_t* systemError) override {
        DWORD done = 0;
        const BOOL ok = WriteFile(file, data, n, &done, nullptr);
        sha.update(data, done);
        *written = done;
        *systemError = ok ? 0 : GetLastError();
        return ok != FALSE;
    }
};

void removeOtherMarkers(const std::string& folder, const std::string& keep) {
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA((folder + "\\.ok-*").c_str(), &data));
    if (!find) return;
    do {
        if (keep != data.cFileName) DeleteFileA((folder + "\\" + data.cFileName).c_str());
    } while (FindNextFileA(find.get(), &data));
}

// Holds a copy just written and marks it complete.
std::string holdAndMark(const std::string& folder, const std::string& path, const CacheRecord& record) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    uint64_t size = 0, lastWrite = 0;
    if (!file || !facts(file.get(), size, lastWrite) || size != record.size) return std::string();
    UniqueFile made(CreateFileA((folder + "\\" + markerName(size, lastWrite)).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!made) return std::string();
    removeOtherMarkers(folder, markerName(size, lastWrite));
    held().push_back(std::move(file));
    return path;
}

bool removeVersion(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    {
        UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &data));
        if (!find) return false;
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(data.cFileName);
        } while (FindNextFileA(find.get(), &data));
    }
    // The archives first: one that a running process holds keeps the version whole.
    for (const std::string& name : names)
        if (name.rfind(".ok-", 0) != 0 && !DeleteFileA((folder + "\\" + name).c_str())) return false;
    for (const std::string& name : names) DeleteFileA((folder + "\\" + name).c_str());
    return RemoveDirectoryA(folder.c_str()) != FALSE;
}

CacheVersion listVersion(const std::string& cache, const std::string& name) {
    CacheVersion version{name, {}, 0};
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA((cache + "\\" + name + "\\*").c_str(), &data));
    if (!find) return version;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        version.files.push_back(data.cFileName);
        if (std::string(data.cFileName).rfind(".ok-", 0) == 0 && fileTime(data.ftLastWriteTime) > version.lastUsed)
            version.lastUsed = fileTime(data.ftLastWriteTime);
    } while (FindNextFileA(find.get(), &data));
    return version;
}

}  // namespace

// No write probe at every start: a cache that does not take a file shows
// when one is written, and that file is then extracted instead.
std::string openArchiveCache(const std::string& folder) {
    const std::string cache = userDataFolder(folder, "archives");
    if (!cache.empty() && makeDirectories(cache)) return cache;
    logInfo("archive cache: none (cannot write to %s): included archives are extracted",
            cache.empty() ? "%LOCALAPPDATA%" : cache.c_str());
    return std::string();
}

// One open: the copy is held from here on (a start that would replace it
// fails to), and its size and time come from the handle.
std::string useCachedArchive(const std::string& cache, const CacheRecord& record, const std::string& includedName) {
    const std::string folder = cache + "\\" + versionFolderName(record.digest);
    const std::string path = folder + "\\" + cachedFileName(includedName);
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    CachedFacts found;
    std::string marker;
    WIN32_FILE_ATTRIBUTE_DATA markerData{};
    if (file && facts(file.get(), found.size, found.lastWrite)) {
        found.exists = true;
        marker = folder + "\\" + markerName(found.size, found.lastWrite);
        found.marked = GetFileAttributesExA(marker.c_str(), GetFileExInfoStandard, &markerData) != 0;
    }
    const CachedState state = judgeCachedFile(record, found);
    if (state == CachedState::Usable) {
        // The version is in use: pruning goes by this time.
        if (fileTimeNow() - fileTime(markerData.ftLastWriteTime) >= kMarkerRenewal) touch(marker);
        held().push_back(std::move(file));
        return path;
    }
    if (state != CachedState::Missing) logInfo("archive cache: %s is %s", path.c_str(),
                                                state == CachedState::WrongSize ? "of the wrong size" : "not marked complete");
    return std::string();
}

CacheWrite writeCachedArchive(const std::string& cache, const CacheRecord& record, const std::string& includedName,
                              ByteSource& source, int64_t size, std::string& path) {
    if (static_cast<uint64_t>(size) != record.size) {
        logError("included file %s is %lld bytes, not the %llu recorded", includedName.c_str(),
                 static_cast<long long>(size), static_cast<unsigned long long>(record.size));
        return CacheWrite::Damaged;
    }
    const std::string folder = cache + "\\" + versionFolderName(record.digest);
    const std::string target = folder + "\\" + cachedFileName(includedName);
    const std::string temporary = folder + "\\" + temporaryName(cachedFileName(includedName), uniqueNumber());
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return CacheWrite::Failed;
    UniqueFile file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return CacheWrite::Failed;
    Hashing sink(file.get());
    const int copied = copyUnscrambled(source, sink, size, true, [](const std::string& line) { logError("%s", line.c_str()); });
    const bool flushed = copied == kCopied && FlushFileBuffers(file.get());
    file.reset();
    const bool matches = flushed && sink.sha.finishHex() == record.digest;
    if (!matches) {
        DeleteFileA(temporary.c_str());
        if (copied == kWriteFailed || (copied == kCopied && !flushed)) return CacheWrite::Failed;  // a full disk, say
        if (copied == kCopied) logError("included file %s does not match its recorded digest", includedName.c_str());
        return CacheWrite::Damaged;
    }
    if (!MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        // Another start holds a copy it wrote at the same moment: use that one.
        DeleteFileA(temporary.c_str());
        for (int i = 0; i < 20 && path.empty(); ++i, Sleep(25)) path = useCachedArchive(cache, record, includedName);
        return path.empty() ? CacheWrite::Failed : CacheWrite::Written;
    }
    path = holdAndMark(folder, target, record);
    if (path.empty()) return CacheWrite::Failed;
    logInfo("archive cache: wrote %s", path.c_str());
    return CacheWrite::Written;
}

void pruneArchiveCache(const std::string& cache, const std::vector<std::string>& keepFolders) {
    const std::string stamp = cache + "\\.pruned";
    WIN32_FILE_ATTRIBUTE_DATA data;
    const uint64_t time = fileTimeNow();
    if (GetFileAttributesExA(stamp.c_str(), GetFileExInfoStandard, &data) && time - fileTime(data.ftLastWriteTime) < kDay)
        return;
    UniqueFile(CreateFileA(stamp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<CacheVersion> versions;
    WIN32_FIND_DATAA entry;
    UniqueFind find(FindFirstFileA((cache + "\\*").c_str(), &entry));
    if (!find) return;
    do {
        const std::string name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name.size() == 32) versions.push_back(listVersion(cache, name));
    } while (FindNextFileA(find.get(), &entry));
    find.reset();
    for (const std::string& folder : versionsToRemove(versions, keepFolders, time))
        if (removeVersion(cache + "\\" + folder)) logInfo("archive cache: removed %s", folder.c_str());
}
