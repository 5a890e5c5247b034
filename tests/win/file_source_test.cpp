// The executable's buffered reader against the same bytes held in memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "files/own_executable.h"
#include "format/byte_source.h"
#include "platform/win32.h"

namespace {

struct Step {
    bool seek;
    uint64_t value;  // the position, or the bytes to read
};

TEST(FileSource, ReadsAndSeeksAsTheBytesInMemory) {
    constexpr uint32_t kB = FileSource::kBufferSize;
    std::string bytes(3 * kB + 123, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "qvo_source_" + std::to_string(GetCurrentProcessId());
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, out);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);

    FileSource source(file.get());
    MemorySource memory(bytes);
    EXPECT_EQ(memory.size(), source.size());
    // Small reads within and across the buffer, seeks back into it and past
    // it, large reads after buffered bytes, and reads at and past the end.
    const Step steps[] = {{true, 0x3c}, {false, 4},  {true, 6},           {false, 2},      {true, 9},
                          {false, 4},   {true, 0x3c}, {false, 4},          {false, kB - 70}, {false, 9},
                          {true, 2 * kB}, {false, 8}, {false, kB},         {false, 5},      {true, 10},
                          {false, 1},   {false, 2 * kB + 7}, {false, 3},   {true, 3 * kB},  {false, 200},
                          {false, 4},   {true, bytes.size() + 9}, {false, 4}, {true, 100},  {false, 3 * kB + 500}};
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        const Step& step = steps[i];
        if (step.seek) {
            EXPECT_EQ(memory.seek(step.value), source.seek(step.value)) << i;
        } else {
            std::string want(step.value, '\0'), have(step.value, '\0');
            uint32_t wantGot = 0, haveGot = 0, error = 0;
            memory.read(want.data(), static_cast<uint32_t>(step.value), &wantGot, &error);
            EXPECT_TRUE(source.read(have.data(), static_cast<uint32_t>(step.value), &haveGot, &error)) << i;
            ASSERT_EQ(wantGot, haveGot) << i;
            EXPECT_EQ(want.substr(0, wantGot), have.substr(0, haveGot)) << i;
        }
        EXPECT_EQ(memory.position(), source.position()) << i;
    }
    file.reset();
    DeleteFileA(path.c_str());
}

}  // namespace
