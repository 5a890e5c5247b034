#include "builder/host/output_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "builder/host/file_source.h"
#include "builder/host/system.h"

namespace fs = std::filesystem;

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

bool replaceWithPartial(const std::string& partial, const std::string& output, std::string& reason) {
    std::error_code ec;
    fs::rename(fsPath(partial), fsPath(output), ec);
    if (ec) {
        reason = ec.message();
        removeFile(partial);
        return false;
    }
    return true;
}

bool writeFileReplacing(const std::string& path, const std::string& bytes, std::string& reason) {
    std::string partial;
    int error = 0;
    std::FILE* out = createPartialFile(path, partial, error);
    if (out == nullptr) {
        reason = systemReason(error);
        return false;
    }
    trackPartial(partial);
    errno = 0;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (!ok) error = errno != 0 ? errno : EIO;
    errno = 0;
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        error = errno != 0 ? errno : EIO;
    }
    if (!ok) {
        reason = systemReason(error);
        removeFile(partial);
    } else {
        ok = replaceWithPartial(partial, path, reason);
    }
    trackPartial("");
    return ok;
}
