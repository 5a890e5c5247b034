// Little-endian integers in byte strings: how the configuration block, the
// PE image, its resources and the archives the builder reads store them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace le {

// The n-byte value at p (n at most 8).
inline uint64_t read(const unsigned char* p, int n) {
    uint64_t value = 0;
    for (int i = n - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

inline uint16_t get16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(read(reinterpret_cast<const unsigned char*>(bytes.data() + at), 2));
}

inline uint32_t get32(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(read(reinterpret_cast<const unsigned char*>(bytes.data() + at), 4));
}

// Overwrites n bytes at `at` with the value.
inline void write(std::string& bytes, size_t at, uint64_t value, int n) {
    for (int i = 0; i < n; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

inline void set16(std::string& bytes, size_t at, uint16_t value) { write(bytes, at, value, 2); }
inline void set32(std::string& bytes, size_t at, uint32_t value) { write(bytes, at, value, 4); }

// Appends the value's n bytes.
inline void append(std::string& out, uint64_t value, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

}  // namespace le
