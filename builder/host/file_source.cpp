#include "builder/host/file_source.h"

#include <cerrno>
#include <cstring>
#include <memory>

std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

void removeFile(const std::string& utf8) {
    std::error_code ec;
    std::filesystem::remove(fsPath(utf8), ec);
}

HostFileSource::HostFileSource(const std::string& path) : file_(openFile(path, "rb")) {
    if (file_ != nullptr && std::fseek(file_, 0, SEEK_END) == 0) {
        if (!tellFile(file_, size_)) size_ = 0;
        seekFile(file_, 0);
    }
}

HostFileSource::~HostFileSource() {
    if (file_ != nullptr) std::fclose(file_);
}

bool HostFileSource::read(void* buffer, uint32_t n, uint32_t* got, uint32_t* systemError) {
    size_t count = std::fread(buffer, 1, n, file_);
    *got = static_cast<uint32_t>(count);
    *systemError = std::ferror(file_) ? static_cast<uint32_t>(errno) : 0;
    position_ += count;
    return !std::ferror(file_);
}

bool HostFileSource::seek(uint64_t position) {
    if (!seekFile(file_, position)) return false;
    position_ = position;
    return true;
}

std::string systemReason(int error) {
    std::string text = std::strerror(error);
    if (error == ENOSPC) text += " (the disk is full)";
#ifdef EDQUOT
    if (error == EDQUOT) text += " (the disk quota is used up)";
#endif
    return text;
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string& reason) {
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(openFile(path, "rb"), &std::fclose);
    if (!in) {
        reason = systemReason(errno);
        return false;
    }
    bytes.clear();
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) bytes.append(buffer, n);
    if (std::ferror(in.get())) {
        // A directory opens but does not read.
        reason = systemReason(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}
