// The executable's buffered reader against the same bytes held in memory.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "files/own_executable.h"
#include "format/byte_source.h"
#include "platform/win32.h"

TEST(FileSource, ReadsAndSeeksAsTheBytesInMemory) {
    constexpr uint64_t kB = FileSource::kBufferSize;
    std::string bytes(3 * kB + 123, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "qvo_source_" + std::to_string(GetCurrentProcessId());
    std::ofstream(path, std::ios::binary) << bytes;
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    FileSource source(file.get());
    MemorySource memory(bytes);
    EXPECT_EQ(memory.size(), source.size());
    // Seeks (S) into, behind and past the buffer; small reads (R) within and
    // across it, large ones after buffered bytes, at and past the end.
    const std::pair<char, uint64_t> steps[] = {
        {'S', 0x3c}, {'R', 4},      {'S', 6},      {'R', 2},          {'S', 9},  {'R', 4},      {'S', 0x3c},
        {'R', 4},    {'R', kB - 70}, {'R', 9},     {'S', 2 * kB},     {'R', 8},  {'R', kB},     {'R', 5},
        {'S', 10},   {'R', 1},      {'R', 2 * kB + 7}, {'R', 3},      {'S', 3 * kB}, {'R', 200}, {'R', 4},
        {'S', bytes.size() + 9},    {'R', 4},      {'S', 100},        {'R', 3 * kB + 500}};
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto [kind, value] = steps[i];
        if (kind == 'S') {
            EXPECT_EQ(memory.seek(value), source.seek(value)) << i;
        } else {
            std::string want(value, '\0'), have(value, '\0');
            uint32_t wantGot = 0, haveGot = 0, error = 0;
            memory.read(want.data(), static_cast<uint32_t>(value), &wantGot, &error);
            EXPECT_TRUE(source.read(have.data(), static_cast<uint32_t>(value), &haveGot, &error)) << i;
            ASSERT_EQ(wantGot, haveGot) << i;
            EXPECT_EQ(want.substr(0, wantGot), have.substr(0, haveGot)) << i;
        }
        EXPECT_EQ(memory.position(), source.position()) << i;
    }
    file.reset();
    DeleteFileA(path.c_str());
}
