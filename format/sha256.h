// SHA-256, for the content ids of included files: the builder records them,
// the launcher checks a file against its id when it writes it out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256();
    void update(const void* data, size_t size);
    // The digest of everything given; the object is spent afterwards.
    std::array<uint8_t, 32> finish();
    // The digest as 64 lower-case hex digits.
    std::string finishHex();

private:
    void block(const uint8_t* p);
    uint32_t state_[8];
    uint8_t buffer_[64];
    size_t buffered_ = 0;
    uint64_t total_ = 0;
};
