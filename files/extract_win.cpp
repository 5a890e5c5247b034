// Extraction of the included files into the private extraction directory.
#include "files/extract.h"

#include <string>
#include <vector>

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

Outcome extractOneFile(block::BlockReader& reader, const std::string& path) {
    int64_t size = 0;
    if (!reader.readLong(&size)) {
        undoExtraction();
        return endWithText(block::failureText(reader.failure()));
    }
    logInfo("extracting %s (size: %lld)", path.c_str(), static_cast<long long>(size));
    if (size <= 0) return std::nullopt;
    int copied = kCopied;
    if (Outcome end = writeOneFile(reader, path, size, copied)) return end;
    if (copied == kCopied) return std::nullopt;
    logError("Failed to extract %s", path.c_str());
    undoExtraction();
    return endWithMessage(MessageId::InternalError, "16");
}

Outcome extractAll(const std::vector<std::string>& names, uint64_t position) {
    FileSource* source = ownExecutableSource();
    if (source == nullptr) return ownExecutableUnreadable();
    block::BlockReader reader(*source, [](const std::string& line) { logInfo("%s", line.c_str()); });
    source->seek(position);
    for (const std::string& name : names) {
        createFirstDirectoryLevel(name);
        if (Outcome end = extractOneFile(reader, extractionDirectory() + "\\" + name)) return end;
    }
    unextracted = static_cast<int64_t>(source->position());
    return std::nullopt;
}

}  // namespace

Outcome extractIncludedFiles(const IncludedFiles& files, bool createDirectory) {
    logInfo("extracting files");
    logInfo("Included files: %d", files.count);
    if (files.count <= 0) {
        if (createDirectory) clearExtractionDirectory();
        return std::nullopt;
    }
    const std::vector<std::string> names = includedFileNames(files.names, files.count);
    if (Outcome end = refuseUnsafeNames(names)) return end;
    if (createDirectory && !createExtractionDirectory()) return endWithMessage(MessageId::InternalError, "7");
    if (Outcome end = extractAll(names, files.position)) return end;
    logInfo("extracting files done");
    return std::nullopt;
}

int64_t unextractedPosition() { return unextracted; }
