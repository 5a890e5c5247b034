// A sequential, seekable source of bytes: the launcher's own executable file,
// a file the builder inspects, or a buffer in a test.
#pragma once

#include <cstdint>
#include <string>

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes at the current position. Returns false when the read
    // call itself failed (systemError then says why); *got is the number of
    // bytes delivered either way.
    virtual bool read(void* buffer, uint32_t n, uint32_t* got, uint32_t* systemError) = 0;
    virtual bool seek(uint64_t position) = 0;
    virtual uint64_t position() const = 0;
    virtual uint64_t size() const = 0;
};

// Bytes held in memory. Used by the tests, the fuzzers and the builder's inspect.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
    bool read(void* buffer, uint32_t n, uint32_t* got, uint32_t* systemError) override;
    bool seek(uint64_t position) override;
    uint64_t position() const override { return pos_; }
    uint64_t size() const override { return bytes_.size(); }

private:
    std::string bytes_;
    uint64_t pos_ = 0;
};
