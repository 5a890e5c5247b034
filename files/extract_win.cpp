// Extraction of the included files into the private extraction directory.
#include "files/extract.h"

#include <string>
#include <vector>

#include "config/config.h"
#include "files/fileutil.h"
#include "files/included.h"
#include "files/own_executable.h"
#include "files/tempdir.h"
#include "format/config_ids.h"
#include "launcher/messages.h"
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

// Removes what extraction wrote; the directory goes when it ends up empty.
void removeExtractionDirectory() {
    const std::string directory = extractionDirectory();
    emptyDirectory(directory);
    RemoveDirectoryA(directory.c_str());
    clearExtractionDirectory();
}

[[noreturn]] void failCreation() {
    removeExtractionDirectory();
    fatalMessage(MessageId::InternalError, "11");
}

// Every name is checked before anything is written: a name that could reach
// outside the extraction directory is refused as one that cannot be created.
void refuseUnsafeNames(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (staysInsideDirectory(name)) continue;
        logError("refusing included file name %s", name.c_str());
        fatalMessage(MessageId::InternalError, "11");
    }
}

void createFirstDirectoryLevel(const std::string& name) {
    const std::string first = firstDirectoryOf(name);
    if (first.empty()) return;
    const std::string path = extractionDirectory() + "\\" + first;
    logInfo("creating directory %s", path.c_str());
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        logError("failed to create directory %s", path.c_str());
}

int extractOneFile(block::BlockReader& reader, const std::string& path) {
    int64_t size = 0;
    if (!reader.readLong(&size)) {
        removeExtractionDirectory();
        fatalText(block::failureText(reader.failure()));
    }
    logInfo("extracting %s (size: %lld)", path.c_str(), static_cast<long long>(size));
    if (size <= 0) return kCopied;
    UniqueFile target(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!target) failCreation();
    FileSink sink(target.get());
    return copyUnscrambled(reader.source(), sink, size, true, logErrorLine);
}

int extractAll(const std::vector<std::string>& names) {
    UniqueFile executable = openOwnExecutable();
    FileSource source(executable.get());
    block::BlockReader reader(source, [](const std::string& line) { logInfo("%s", line.c_str()); });
    source.seek(configTables().endPosition);
    for (const std::string& name : names) {
        createFirstDirectoryLevel(name);
        const std::string path = extractionDirectory() + "\\" + name;
        if (const int result = extractOneFile(reader, path)) {
            logError("Failed to extract %s", path.c_str());
            removeExtractionDirectory();
            return result;
        }
    }
    unextracted = static_cast<int64_t>(source.position());
    return kCopied;
}

}  // namespace

int extractIncludedFiles(bool createDirectory) {
    logInfo("extracting files");
    const int count = configInt(ConfigId::IncludedFileCount);
    logInfo("Included files: %d", count);
    if (count <= 0) {
        if (createDirectory) clearExtractionDirectory();
        return kCopied;
    }
    const std::vector<std::string> names = includedFileNames(configString(ConfigId::IncludedFileNames), count);
    refuseUnsafeNames(names);
    if (createDirectory) createExtractionDirectory();
    const int result = extractAll(names);
    if (result == kCopied) logInfo("extracting files done");
    return result;
}

int64_t unextractedPosition() { return unextracted; }
