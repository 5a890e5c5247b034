// Extraction of the included files into the private extraction directory.
#include "files/extract.h"

#include <string>
#include <vector>

#include "files/archive_cache.h"
#include "files/fileutil.h"
#include "files/included.h"
#include "files/own_executable.h"
#include "files/tempdir.h"
#include "format/config_ids.h"
#include "log/diaglog.h"

namespace {

int64_t unextracted = 0;

class FileSink final : public ChunkSink {
public:
    explicit FileSink(HANDLE file) : file_(file) {}
    bool write(const char* data, uint32_t n, uint32_t* written, uint32_t* systemError) override {
        DWORD done = 0;
        const BOOL ok = WriteFile(file_, data, n, &done, nullptr);
        *written = done;
        *systemError = ok ? 0 : GetLastError();
        return ok != FALSE;
    }

private:
    HANDLE file_;
};

void logErrorLine(const std::string& line) { logError("%s", line.c_str()); }

// Removes what extraction wrote, the directory with it.
void undoExtraction() {
    emptyDirectory(extractionDirectory());
    removeExtractionDirectory();
    clearExtractionDirectory();
}

LaunchEnd failCreation() {
    undoExtraction();
    return endWithMessage(MessageId::InternalError, "11");
}

// Every name is checked before anything is written: a name that could reach
// outside the extraction directory is refused as one that cannot be created.
Outcome refuseUnsafeNames(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (staysInsideDirectory(name)) continue;
        logError("refusing included file name %s", name.c_str());
        return endWithMessage(MessageId::InternalError, "11");
    }
    return std::nullopt;
}

void createFirstDirectoryLevel(const std::string& name) {
    const std::string first = firstDirectoryOf(name);
    if (first.empty()) return;
    const std::string path = extractionDirectory() + "\\" + first;
    logInfo("creating directory %s", path.c_str());
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        logError("failed to create directory %s", path.c_str());
}

// Copies one file of size bytes; closes it before returning.
Outcome writeOneFile(block::BlockReader& reader, const std::string& path, int64_t size, int& copied) {
    UniqueFile target(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!target) return failCreation();
    FileSink sink(target.get());
    copied = copyUnscrambled(reader.source(), sink, size, true, logErrorLine);
    return std::nullopt;
}

Outcome extractData(block::BlockReader& reader, const std::string& path, int64_t size) {
    logInfo("extracting %s (size: %lld)", path.c_str(), static_cast<long long>(size));
    if (size <= 0) return std::nullopt;
    int copied = kCopied;
    if (Outcome end = writeOneFile(reader, path, size, copied)) return end;
    if (copied == kCopied) return std::nullopt;
    logError("Failed to extract %s", path.c_str());
    undoExtraction();
    return endWithMessage(MessageId::InternalError, "16");
}

// Where each file goes at this start. A file recorded for the cache whose
// copy there is usable needs nothing read; one that is not is written there.
struct Placement {
    std::vector<std::string> names;
    std::vector<CacheRecord> records;
    std::vector<std::string> cachedPath;  // of a file that comes from the cache
    std::string cache;                    // empty: nothing comes from the cache
    bool createDirectory = false;

    bool fromCache(size_t i) const { return !cache.empty() && records[i].cached(); }
};

std::vector<CachedArchive> usedArchives;

Outcome makeDirectoryOnce(Placement& p) {
    if (!p.createDirectory || !extractionDirectory().empty()) return std::nullopt;
    p.createDirectory = false;
    if (!createExtractionDirectory()) return endWithMessage(MessageId::InternalError, "7");
    return std::nullopt;
}

// One file read from the executable: into the cache when recorded for it
// and the cache takes it, else into the extraction directory.
Outcome placeOne(block::BlockReader& reader, Placement& p, size_t i, int64_t size) {
    const uint64_t start = reader.source().position();
    if (p.fromCache(i)) {
        logInfo("caching %s (size: %lld)", p.names[i].c_str(), static_cast<long long>(size));
        switch (writeCachedArchive(p.cache, p.records[i], p.names[i], reader.source(), size, p.cachedPath[i])) {
            case CacheWrite::Written:
                return std::nullopt;
            case CacheWrite::Damaged:
                undoExtraction();
                return endWithMessage(MessageId::InternalError, "16");
            case CacheWrite::Failed:
                logInfo("archive cache: cannot write %s: extracted instead", p.names[i].c_str());
                reader.source().seek(start);
                break;
        }
    }
    if (Outcome end = makeDirectoryOnce(p)) return end;
    createFirstDirectoryLevel(p.names[i]);
    return extractData(reader, extractionDirectory() + "\\" + p.names[i], size);
}

Outcome readFiles(Placement& p, uint64_t position) {
    FileSource* source = ownExecutableSource();
    if (source == nullptr) return ownExecutableUnreadable();
    block::BlockReader reader(*source, [](const std::string& line) { logInfo("%s", line.c_str()); });
    source->seek(position);
    for (size_t i = 0; i < p.names.size(); ++i) {
        int64_t size = 0;
        if (!reader.readLong(&size)) {
            undoExtraction();
            return endWithText(block::failureText(reader.failure()));
        }
        if (!p.cachedPath[i].empty()) {
            source->seek(source->position() + static_cast<uint64_t>(size > 0 ? size : 0));
            continue;
        }
        if (Outcome end = placeOne(reader, p, i, size)) return end;
    }
    unextracted = static_cast<int64_t>(source->position());
    return std::nullopt;
}

// The usable copies in the cache; true when every file is one of them.
bool findCachedCopies(Placement& p, const std::string& folder) {
    bool any = false;
    for (const CacheRecord& r : p.records) any = any || r.cached();
    if (any) p.cache = openArchiveCache(folder);
    bool all = true;
    for (size_t i = 0; i < p.names.size(); ++i) {
        if (p.fromCache(i)) p.cachedPath[i] = useCachedArchive(p.cache, p.records[i], p.names[i]);
        all = all && !p.cachedPath[i].empty();
    }
    return all;
}

void keepCacheTidy(const Placement& p) {
    std::vector<std::string> folders;
    for (size_t i = 0; i < p.names.size(); ++i) {
        if (p.cachedPath[i].empty()) continue;
        usedArchives.push_back({p.names[i], p.cachedPath[i]});
        folders.push_back(versionFolderName(p.records[i].digest));
    }
    if (!p.cache.empty()) pruneArchiveCache(p.cache, folders);
}

}  // namespace

Outcome extractIncludedFiles(const IncludedFiles& files, bool createDirectory) {
    logInfo("extracting files");
    logInfo("Included files: %d", files.count);
    if (createDirectory) clearExtractionDirectory();
    if (files.count <= 0) return std::nullopt;
    Placement p;
    p.names = includedFileNames(files.names, files.count);
    if (Outcome end = refuseUnsafeNames(p.names)) return end;
    std::optional<std::vector<CacheRecord>> records = parseCacheEntry(files.cacheEntry, p.names.size());
    if (!records) {
        logError("the records of the included files are damaged");
        return endWithMessage(MessageId::InternalError, "16");
    }
    p.records = std::move(*records);
    p.cachedPath.resize(p.names.size());
    p.createDirectory = createDirectory;
    if (findCachedCopies(p, files.cacheFolder)) {
        // Nothing to read: the position after the files follows from their sizes.
        unextracted = static_cast<int64_t>(files.position);
        for (const CacheRecord& r : p.records) unextracted += 8 + static_cast<int64_t>(r.size);
    } else if (Outcome end = readFiles(p, files.position)) {
        return end;
    }
    keepCacheTidy(p);
    logInfo("extracting files done");
    return std::nullopt;
}

const std::vector<CachedArchive>& cachedArchives() { return usedArchives; }

int64_t unextractedPosition() { return unextracted; }
