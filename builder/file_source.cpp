#include "builder/file_source.h"

#include <cerrno>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#define fseeko _fseeki64
#define ftello _ftelli64
using FileOffset = long long;
#else
using FileOffset = off_t;
#endif

std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::FILE* openFile(const std::string& utf8, const char* mode) { return openFile(fsPath(utf8), mode); }

#ifdef _WIN32
namespace {

// The identity of an existing file or directory; false when it cannot be opened.
bool fileIdentity(const std::string& utf8, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE handle = CreateFileW(fsPath(utf8).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    return ok;
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION x, y;
    return fileIdentity(a, x) && fileIdentity(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}
#else
bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}
#endif

void removeFile(const std::string& utf8) {
    std::error_code ec;
    std::filesystem::remove(fsPath(utf8), ec);
}

HostFileSource::HostFileSource(const std::string& path) : file_(openFile(path, "rb")) {
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
    if (fseeko(file_, static_cast<FileOffset>(position), SEEK_SET) != 0) return false;
    position_ = position;
    return true;
}

bool seekFile(std::FILE* file, uint64_t position) { return fseeko(file, static_cast<FileOffset>(position), SEEK_SET) == 0; }

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
