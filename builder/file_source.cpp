#include "builder/file_source.h"

#include <cerrno>
#include <cstring>
#include <memory>

#ifdef _WIN32
#define fseeko _fseeki64
#define ftello _ftelli64
using off_t = long long;
#endif

HostFileSource::HostFileSource(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (file_ != nullptr && fseeko(file_, 0, SEEK_END) == 0) {
        size_ = static_cast<uint64_t>(ftello(file_));
        fseeko(file_, 0, SEEK_SET);
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
    if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) return false;
    position_ = position;
    return true;
}

bool seekFile(std::FILE* file, uint64_t position) { return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0; }

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
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
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
