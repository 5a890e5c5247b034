// The launcher's own executable file, opened for reading, and the end of a
// launch that cannot read it.
#pragma once

#include <cstdint>
#include <vector>

#include "format/byte_source.h"
#include "platform/handle.h"
#include "platform/outcome.h"

class FileSource;

// The executable, opened once for the whole process and read through one
// buffer by every stage that reads it: the block, then the included files
// that follow it. Null (and logged) when the file cannot be opened.
FileSource* ownExecutableSource();
// The media-file text.
LaunchEnd ownExecutableUnreadable();

// An open file read field by field (the executable's block and included
// files). Small reads come from a buffer: the block is read a few bytes at a
// time, and each read of the file is a call into the system. Reads at least
// as large as the buffer go to the file directly.
class FileSource final : public ByteSource {
public:
    static constexpr uint32_t kBufferSize = 16384;

    explicit FileSource(HANDLE file);
    bool read(void* buffer, uint32_t n, uint32_t* got, uint32_t* systemError) override;
    bool seek(uint64_t position) override;
    uint64_t position() const override { return position_; }
    uint64_t size() const override { return size_; }

private:
    HANDLE file_;
    uint64_t position_ = 0;  // of the next byte delivered
    uint64_t size_ = 0;
    std::vector<char> buffer_;
    uint32_t next_ = 0;  // buffer_[next_] is the byte at position_
    uint32_t end_ = 0;   // bytes in buffer_
};
