#include "builder/writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "format/block.h"

namespace {

constexpr size_t kChunk = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool writeAll(std::FILE* out, const char* data, size_t n) { return std::fwrite(data, 1, n, out) == n; }

// The stub must end with its last section: anything after it would be taken
// for the configuration block.
bool checkStub(const std::string& stub, const std::string& stubPath, std::string& error) {
    MemorySource source(stub);
    block::BlockReader reader(source, [](const std::string&) {});
    uint64_t end = 0;
    if (!reader.locateAppendedData(&end)) {
        error = stubPath + ": not a launcher stub (no PE section table)";
        return false;
    }
    if (end != stub.size()) {
        error = stubPath + ": the stub has " + std::to_string(static_cast<long long>(stub.size() - end)) +
                " bytes after its last section; is it a built executable rather than the generic launcher?";
        return false;
    }
    return true;
}

bool copyScrambled(std::FILE* in, std::FILE* out, uint64_t size, std::vector<char>& buffer) {
    uint64_t left = size;
    while (left > 0) {
        size_t n = left < buffer.size() ? static_cast<size_t>(left) : buffer.size();
        if (std::fread(buffer.data(), 1, n, in) != n) return false;
        block::scramble(buffer.data(), n);
        if (!writeAll(out, buffer.data(), n)) return false;
        left -= n;
    }
    return true;
}

}  // namespace

bool writeExecutable(const std::string& stubPath, const BuildPlan& plan, const std::string& outputPath,
                     std::string& error) {
    std::ifstream stubIn(stubPath, std::ios::binary);
    if (!stubIn) {
        error = stubPath + ": cannot read the launcher stub";
        return false;
    }
    std::string stub((std::istreambuf_iterator<char>(stubIn)), std::istreambuf_iterator<char>());
    if (!checkStub(stub, stubPath, error)) return false;

    const std::string temporary = outputPath + ".part";
    File out(std::fopen(temporary.c_str(), "wb"));
    if (!out) {
        error = outputPath + ": cannot write the executable";
        return false;
    }
    const std::string blockBytes = block::encodeBlock(plan.block);
    bool ok = writeAll(out.get(), stub.data(), stub.size()) &&
              writeAll(out.get(), blockBytes.data(), blockBytes.size());
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
        ok = writeAll(out.get(), header.data(), header.size()) && copyScrambled(in.get(), out.get(), size, buffer);
        if (!ok) error = file.source + ": the file changed or could not be read while it was being included";
    }
    if (ok && plan.files.empty()) {
        const std::string trailer = block::noFilesTrailer(blockBytes.size());
        ok = writeAll(out.get(), trailer.data(), trailer.size());
    }
    if (ok && std::fflush(out.get()) != 0) ok = false;
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
