#include "files/own_executable.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "files/fileutil.h"
#include "log/diaglog.h"

FileSource* ownExecutableSource() {
    static UniqueFile file;
    static FileSource* source = nullptr;
    if (source != nullptr) return source;
    const std::string& path = executablePath();
    file.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        logError("Could not open %s", path.c_str());
        return nullptr;
    }
    // Kept to the end of the process, as the handle is.
    source = new FileSource(file.get());
    return source;
}

LaunchEnd ownExecutableUnreadable() {
    return endWithText("Error opening media file. Please move this file to an ascii-only path like c:\\");
}

FileSource::FileSource(HANDLE file) : file_(file) {
    LARGE_INTEGER size;
    if (GetFileSizeEx(file_, &size)) size_ = static_cast<uint64_t>(size.QuadPart);
}

// The system's file pointer stays at the end of what the buffer holds:
// position_ + (end_ - next_).
bool FileSource::read(void* buffer, uint32_t n, uint32_t* got, uint32_t* systemError) {
    char* out = static_cast<char*>(buffer);
    *got = 0;
    *systemError = 0;
    while (*got < n) {
        if (next_ < end_) {
            const uint32_t take = std::min(n - *got, end_ - next_);
            std::memcpy(out + *got, buffer_.data() + next_, take);
            next_ += take;
            position_ += take;
            *got += take;
            continue;
        }
        DWORD read = 0;
        const uint32_t rest = n - *got;
        if (rest >= kBufferSize) {
            const BOOL ok = ReadFile(file_, out + *got, rest, &read, nullptr);
            *got += read;
            position_ += read;
            if (!ok) *systemError = GetLastError();
            return ok != FALSE;
        }
        if (buffer_.empty()) buffer_.resize(kBufferSize);
        next_ = end_ = 0;
        if (!ReadFile(file_, buffer_.data(), kBufferSize, &read, nullptr)) {
            *systemError = GetLastError();
            return false;
        }
        if (read == 0) break;  // the end of the file
        end_ = read;
    }
    return true;
}

bool FileSource::seek(uint64_t position) {
    const uint64_t bufferStart = position_ - next_;
    if (position >= bufferStart && position <= bufferStart + end_) {
        next_ = static_cast<uint32_t>(position - bufferStart);
        position_ = position;
        return true;
    }
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) return false;
    position_ = position;
    next_ = end_ = 0;
    return true;
}
