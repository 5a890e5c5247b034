#include "builder/writer.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "builder/file_source.h"
#include "builder/pe_image.h"
#include "builder/resource_build.h"
#include "format/block.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// A new file beside the output for the bytes being written; it replaces the
// output only when complete.
std::string makePartialFile(const std::string& outputPath, File& file, int& error) {
#if defined(_WIN32)
    // A name no other build uses, made only if it is not there yet.
    std::string path;
    for (unsigned n = 0; n < 100 && !file; ++n) {
        path = outputPath + ".part-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(n);
        errno = 0;
        const int fd = _wsopen(fsPath(path).c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _SH_DENYNO,
                               _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST) break;
        if (fd >= 0) {
            file.reset(_fdopen(fd, "wb"));
            if (!file) _close(fd);
        }
    }
#else
    std::string path = outputPath + ".part-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd >= 0) {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        file.reset(fdopen(fd, "wb"));
        if (!file) ::close(fd);
    }
#endif
    error = file ? 0 : errno != 0 ? errno : EIO;
    return path;
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

bool checkOutput(const std::string& output, const std::vector<BuildInput>& inputs, std::string& error) {
    std::error_code ec;
    const fs::file_status status = fs::status(fsPath(output), ec);
    if (!fs::exists(status)) return true;
    if (!fs::is_regular_file(status)) {
        error = output + ": not a regular file; qarvo-build writes executables to regular files only";
        return false;
    }
    for (const BuildInput& input : inputs) {
        if (sameFile(output, input.path)) {
            error = output + ": is " + input.what + " (" + input.path + "); writing there would replace it; "
                    "choose another output";
            return false;
        }
    }
    return true;
}

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

    // Every included file is opened before the output is made.
    std::vector<File> sources;
    std::vector<uint64_t> sizes;
    uint64_t total = image.bytes().size();
    for (const IncludedFile& file : plan.files) {
        const std::string where = (file.where.empty() ? "" : file.where + ": ") + file.source;
        errno = 0;
        File in(openFile(file.source, "rb"));
        std::error_code ec;
        const uint64_t size = in ? fs::file_size(fsPath(file.source), ec) : 0;
        if (!in || ec) {
            error = where + ": cannot read the included file: " + (in ? ec.message() : systemReason(errno));
            return false;
        }
        sources.push_back(std::move(in));
        sizes.push_back(size);
        total += size;
    }

    File out;
    int openError = 0;
    const std::string temporary = makePartialFile(outputPath, out, openError);
    if (!out) {
        error = outputPath + ": cannot write the executable: " + systemReason(openError);
        return false;
    }
    if (partial) partial(temporary);
    Output output(out.release(), image.checksumOffset(), progress, total);
    const std::string blockBytes = block::encodeBlock(plan.block);
    bool ok = output.write(image.bytes()) && output.write(blockBytes);
    std::vector<char> buffer(kChunk);
    for (size_t i = 0; ok && i < plan.files.size(); ++i) {
        const IncludedFile& file = plan.files[i];
        const std::string header = block::includedFileHeader(static_cast<int64_t>(sizes[i]));
        bool sourceFailed = false;
        int readError = 0;
        ok = output.write(header) && copyScrambled(sources[i].get(), output, sizes[i], buffer, sourceFailed, readError);
        if (!ok && sourceFailed)
            error = (file.where.empty() ? "" : file.where + ": ") + file.source + ": " +
                    (readError != 0 ? "cannot read the included file: " + systemReason(readError)
                                    : std::string("the file became shorter while it was being included"));
    }
    if (ok && plan.files.empty()) ok = output.write(block::noFilesTrailer(blockBytes.size()));
    if (ok) ok = output.finish(image.checksumOffset());
    const bool closed = output.close();
    ok = ok && closed;
    if (!ok && error.empty()) error = outputPath + ": cannot write the executable: " + systemReason(output.error());
    if (ok) {
        std::error_code ec;
        fs::rename(fsPath(temporary), fsPath(outputPath), ec);
        if (ec) {
            ok = false;
            error = outputPath + ": cannot write the executable: " + ec.message();
        } else {
            fs::permissions(fsPath(outputPath), fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                            fs::perm_options::add, ec);
        }
    }
    if (!ok) removeFile(temporary);
    if (partial) partial("");
    return ok;
}
