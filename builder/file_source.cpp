#include "builder/file_source.h"

#include <cerrno>

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
