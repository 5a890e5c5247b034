// The launcher's own executable file, opened for reading, and the end of a
// launch that cannot read it.
#pragma once

#include <cstdint>

#include "format/byte_source.h"
#include "platform/handle.h"
#include "platform/outcome.h"

// Invalid (and logged) when the file cannot be opened.
UniqueFile openOwnExecutable();
// The media-file text.
LaunchEnd ownExecutableUnreadable();

// An open file read field by field (the executable's block and included files).
class FileSource final : public ByteSource {
public:
    explicit FileSource(HANDLE file) : file_(file) {
        LARGE_INTEGER size;
        if (GetFileSizeEx(file_, &size)) size_ = static_cast<uint64_t>(size.QuadPart);
    }
    bool read(void* buffer, uint32_t n, uint32_t* got, uint32_t* systemError) override {
        DWORD read = 0;
        BOOL ok = ReadFile(file_, buffer, n, &read, nullptr);
        *got = read;
        *systemError = ok ? 0 : GetLastError();
        position_ += read;
        return ok != FALSE;
    }
    bool seek(uint64_t position) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(position);
        if (!SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) return false;
        position_ = position;
        return true;
    }
    uint64_t position() const override { return position_; }
    uint64_t size() const override { return size_; }

private:
    HANDLE file_;
    uint64_t position_ = 0;
    uint64_t size_ = 0;
};
