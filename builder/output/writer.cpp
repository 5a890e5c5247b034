#include "builder/output/writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "builder/host/file_source.h"
#include "builder/host/output_file.h"
#include "builder/host/system.h"
#include "builder/pe/pe_image.h"
#include "builder/output/resource_build.h"
#include "files/archive_cache.h"
#include "format/block.h"
#include "format/config_ids.h"
#include "format/sha256.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunk = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Writes bytes and feeds them to the checksum; keeps the system's reason of
// the first failure.
class Output {
public:
    Output(std::FILE* file, uint64_t checksumOffset, const ProgressHook& progress, uint64_t total)
        : file_(file), checksum_(checksumOffset), progress_(progress), total_(total) {}
    bool write(const char* data, size_t n) {
        checksum_.update(data, n);
        errno = 0;
        if (std::fwrite(data, 1, n, file_) != n) return failed();
        written_ += n;
        if (progress_) progress_(written_, total_);
        return true;
    }
    bool write(const std::string& bytes) { return write(bytes.data(), bytes.size()); }
    // Stores the checksum of everything written in the header.
    bool finish(uint64_t checksumOffset) {
        const uint32_t sum = checksum_.finish();
        const char bytes[4] = {static_cast<char>(sum & 0xff), static_cast<char>((sum >> 8) & 0xff),
                               static_cast<char>((sum >> 16) & 0xff), static_cast<char>(sum >> 24)};
        errno = 0;
        if (std::fflush(file_) != 0 || !seekFile(file_, checksumOffset) || std::fwrite(bytes, 1, 4, file_) != 4 ||
            std::fflush(file_) != 0)
            return failed();
        return true;
    }
    // Closes the file: a full disk may show only here.
    bool close() {
        std::FILE* file = file_;
        file_ = nullptr;
        errno = 0;
        return std::fclose(file) == 0 || failed();
    }
    ~Output() {
        if (file_ != nullptr) std::fclose(file_);
    }
    int error() const { return error_; }

private:
    bool failed() {
        if (error_ == 0) error_ = errno != 0 ? errno : EIO;
        return false;
    }
    std::FILE* file_;
    pe::Checksum checksum_;
    const ProgressHook& progress_;
    uint64_t total_;
    uint64_t written_ = 0;
    int error_ = 0;
};

// Copies size bytes of an included file, scrambled. readError is set when the
// source failed (0 for a file that ended early), otherwise the output did.
bool copyScrambled(std::FILE* in, Output& out, uint64_t size, std::vector<char>& buffer, bool& sourceFailed,
                   int& readError) {
    uint64_t left = size;
    while (left > 0) {
        size_t n = left < buffer.size() ? static_cast<size_t>(left) : buffer.size();
        errno = 0;
        if (std::fread(buffer.data(), 1, n, in) != n) {
            sourceFailed = true;
            readError = std::ferror(in) ? (errno != 0 ? errno : EIO) : 0;
            return false;
        }
        block::scramble(buffer.data(), n);
        if (!out.write(buffer.data(), n)) return false;
        left -= n;
    }
    return true;
}

}  // namespace

std::vector<BuildInput> buildInputs(const std::string& projectPath, const std::string& stubPath, const BuildPlan& plan) {
    std::vector<BuildInput> inputs;
    if (!projectPath.empty()) inputs.push_back({projectPath, "the project file"});
    if (!stubPath.empty()) inputs.push_back({stubPath, "the launcher stub"});
    for (const IncludedFile& file : plan.files)
        if (!file.source.empty()) inputs.push_back({file.source, file.where.empty() ? "an included file" : file.where});
    const ResourcePlan& r = plan.resources;
    for (const auto* list : {&r.icon, &r.splashIcon, &r.splashBitmap, &r.splashImage, &r.manifestFile})
        for (const SourceFile& source : *list) inputs.push_back({source.path, source.where});
    return inputs;
}


namespace {

// The included files, each opened before the output is made, and their sizes.
struct OpenSources {
    std::vector<File> files;
    std::vector<uint64_t> sizes;
    uint64_t total = 0;
};

std::string whereOf(const IncludedFile& file) { return (file.where.empty() ? "" : file.where + ": ") + file.source; }

bool openSources(const BuildPlan& plan, OpenSources& out, std::string& error) {
    for (const IncludedFile& file : plan.files) {
        errno = 0;
        File in(openFile(file.source, "rb"));
        std::error_code ec;
        const uint64_t size = in ? fs::file_size(fsPath(file.source), ec) : 0;
        if (!in || ec) {
            error = whereOf(file) + ": cannot read the included file: " + (in ? ec.message() : systemReason(errno));
            return false;
        }
        out.files.push_back(std::move(in));
        out.sizes.push_back(size);
        out.total += size;
    }
    return true;
}

// The text of entry 10144 (files/archive_cache.h).
std::string cacheEntryText(const std::vector<CacheRecord>& records) {
    std::string text;
    for (size_t i = 0; i < records.size(); ++i) {
        if (i > 0) text += ';';
        if (records[i].cached()) text += records[i].digest + ":" + std::to_string(records[i].size);
    }
    return text;
}

// Entry 10144 for the files that go to the archive cache: their digests and
// sizes, read once before the files are written. Nothing when none goes there.
bool addCacheEntry(const BuildPlan& plan, OpenSources& sources, block::RawBlock& block, std::string& error) {
    std::vector<CacheRecord> records(plan.files.size());
    bool any = false;
    std::vector<char> buffer(kChunk);
    for (size_t i = 0; i < plan.files.size(); ++i) {
        if (!plan.files[i].cache) continue;
        std::FILE* in = sources.files[i].get();
        Sha256 sha;
        uint64_t read = 0;
        for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0; read += n) sha.update(buffer.data(), n);
        if (std::ferror(in) || read != sources.sizes[i] || !seekFile(in, 0)) {
            error = whereOf(plan.files[i]) + ": cannot read the included file";
            return false;
        }
        records[i] = {sha.finishHex(), read};
        any = true;
    }
    if (!any) return true;
    auto at = std::find_if(block.narrow.begin(), block.narrow.end(),
                           [](const block::NarrowEntry& e) { return e.id > ConfigId::IncludedFileCache; });
    block.narrow.insert(at, block::NarrowEntry{ConfigId::IncludedFileCache, cacheEntryText(records)});
    return true;
}

// The included files after the block: each a size header and the scrambled bytes.
bool writeIncludedFiles(const BuildPlan& plan, OpenSources& sources, Output& output, std::string& error) {
    std::vector<char> buffer(kChunk);
    for (size_t i = 0; i < plan.files.size(); ++i) {
        const std::string header = block::includedFileHeader(static_cast<int64_t>(sources.sizes[i]));
        bool sourceFailed = false;
        int readError = 0;
        if (output.write(header) &&
            copyScrambled(sources.files[i].get(), output, sources.sizes[i], buffer, sourceFailed, readError))
            continue;
        if (sourceFailed)
            error = whereOf(plan.files[i]) + ": " +
                    (readError != 0 ? "cannot read the included file: " + systemReason(readError)
                                    : std::string("the file became shorter while it was being included"));
        return false;
    }
    return true;
}

// Everything after the image, then the checksum over the whole file.
bool writeContent(const pe::Image& image, const BuildPlan& plan, OpenSources& sources, Output& output,
                  std::string& error) {
    block::RawBlock configuration = plan.block;
    if (!addCacheEntry(plan, sources, configuration, error)) return false;
    const std::string blockBytes = block::encodeBlock(configuration);
    if (!output.write(image.bytes()) || !output.write(blockBytes)) return false;
    if (!writeIncludedFiles(plan, sources, output, error)) return false;
    if (plan.files.empty() && !output.write(block::noFilesTrailer(blockBytes.size()))) return false;
    return output.finish(image.checksumOffset());
}

// The finished executable in the output's place, executable where the system has such a bit.
bool putInPlace(const std::string& temporary, const std::string& outputPath, std::string& error) {
    std::string reason;
    if (!replaceWithPartial(temporary, outputPath, reason)) {
        error = outputPath + ": cannot write the executable: " + reason;
        return false;
    }
    std::error_code ec;
    fs::permissions(fsPath(outputPath), fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
    return true;
}

}  // namespace

bool writeExecutable(const std::string& stubPath, const BuildPlan& plan, const std::string& outputPath,
                     std::vector<std::string>& warnings, std::string& error, const PartialFileHook& partial,
                     const ProgressHook& progress) {
    std::string stub, reason;
    if (!readWholeFile(stubPath, stub, reason)) {
        error = stubPath + ": cannot read the launcher stub: " + reason;
        return false;
    }
    pe::Image image;
    const std::string outputName = fsPath(outputPath).filename().string();
    if (!buildImage(stub, stubPath, plan, outputName, readHostFile, image, warnings, error)) return false;
    OpenSources sources;
    if (!openSources(plan, sources, error)) return false;

    std::string temporary;
    int openError = 0;
    std::FILE* file = createPartialFile(outputPath, temporary, openError);
    if (file == nullptr) {
        error = outputPath + ": cannot write the executable: " + systemReason(openError);
        return false;
    }
    if (partial) partial(temporary);
    Output output(file, image.checksumOffset(), progress, image.bytes().size() + sources.total);
    bool ok = writeContent(image, plan, sources, output, error);
    ok = output.close() && ok;
    if (!ok && error.empty()) error = outputPath + ": cannot write the executable: " + systemReason(output.error());
    if (ok) ok = putInPlace(temporary, outputPath, error);
    else removeFile(temporary);
    if (partial) partial("");
    return ok;
}
