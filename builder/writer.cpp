#include "builder/writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "builder/file_source.h"
#include "builder/pe_image.h"
#include "builder/resource_build.h"
#include "format/block.h"

namespace {

constexpr size_t kChunk = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Writes bytes and feeds them to the checksum.
class Output {
public:
    Output(std::FILE* file, uint64_t checksumOffset) : file_(file), checksum_(checksumOffset) {}
    bool write(const char* data, size_t n) {
        checksum_.update(data, n);
        return std::fwrite(data, 1, n, file_) == n;
    }
    bool write(const std::string& bytes) { return write(bytes.data(), bytes.size()); }
    // Stores the checksum of everything written in the header.
    bool finish(uint64_t checksumOffset) {
        const uint32_t sum = checksum_.finish();
        const char bytes[4] = {static_cast<char>(sum & 0xff), static_cast<char>((sum >> 8) & 0xff),
                               static_cast<char>((sum >> 16) & 0xff), static_cast<char>(sum >> 24)};
        return std::fflush(file_) == 0 && seekFile(file_, checksumOffset) && std::fwrite(bytes, 1, 4, file_) == 4 &&
               std::fflush(file_) == 0;
    }

private:
    std::FILE* file_;
    pe::Checksum checksum_;
};

bool copyScrambled(std::FILE* in, Output& out, uint64_t size, std::vector<char>& buffer) {
    uint64_t left = size;
    while (left > 0) {
        size_t n = left < buffer.size() ? static_cast<size_t>(left) : buffer.size();
        if (std::fread(buffer.data(), 1, n, in) != n) return false;
        block::scramble(buffer.data(), n);
        if (!out.write(buffer.data(), n)) return false;
        left -= n;
    }
    return true;
}

}  // namespace

bool writeExecutable(const std::string& stubPath, const BuildPlan& plan, const std::string& outputPath,
                     std::vector<std::string>& warnings, std::string& error) {
    std::ifstream stubIn(stubPath, std::ios::binary);
    if (!stubIn) {
        error = stubPath + ": cannot read the launcher stub";
        return false;
    }
    std::string stub((std::istreambuf_iterator<char>(stubIn)), std::istreambuf_iterator<char>());
    pe::Image image;
    const std::string outputName = std::filesystem::path(outputPath).filename().string();
    if (!buildImage(stub, stubPath, plan, outputName, readHostFile, image, warnings, error)) return false;

    const std::string temporary = outputPath + ".part";
    File out(std::fopen(temporary.c_str(), "wb"));
    if (!out) {
        error = outputPath + ": cannot write the executable";
        return false;
    }
    Output output(out.get(), image.checksumOffset());
    const std::string blockBytes = block::encodeBlock(plan.block);
    bool ok = output.write(image.bytes()) && output.write(blockBytes);
    std::vector<char> buffer(kChunk);
    for (const IncludedFile& file : plan.files) {
        if (!ok) break;
        std::error_code ec;
        const uint64_t size = std::filesystem::file_size(file.source, ec);
        File in(ec ? nullptr : std::fopen(file.source.c_str(), "rb"));
        if (!in) {
            error = file.source + ": cannot read the included file";
            out.reset();
            std::remove(temporary.c_str());
            return false;
        }
        const std::string header = block::includedFileHeader(static_cast<int64_t>(size));
        ok = output.write(header) && copyScrambled(in.get(), output, size, buffer);
        if (!ok) error = file.source + ": the file changed or could not be read while it was being included";
    }
    if (ok && plan.files.empty()) {
        const std::string trailer = block::noFilesTrailer(blockBytes.size());
        ok = output.write(trailer);
    }
    if (ok && !output.finish(image.checksumOffset())) ok = false;
    out.reset();
    if (ok) {
        std::error_code ec;
        std::filesystem::rename(temporary, outputPath, ec);
        if (ec) {
            ok = false;
            error = outputPath + ": " + ec.message();
        } else {
            std::filesystem::permissions(outputPath,
                                         std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec |
                                             std::filesystem::perms::others_exec,
                                         std::filesystem::perm_options::add, ec);
        }
    }
    if (!ok) {
        if (error.empty()) error = outputPath + ": writing the executable failed";
        std::remove(temporary.c_str());
    }
    return ok;
}
