// Included files: the names extraction accepts and the copy of their bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/included.h"

namespace {

struct NamesCase {
    const char* name;
    const char* entry;
    int count;
    std::vector<std::string> names;
};

class IncludedNamesTest : public ::testing::TestWithParam<NamesCase> {};

TEST_P(IncludedNamesTest, SplitsAtSemicolonsUpToTheCount) {
    EXPECT_EQ(GetParam().names, includedFileNames(GetParam().entry, GetParam().count));
}

INSTANTIATE_TEST_SUITE_P(
    Entry2003, IncludedNamesTest,
    ::testing::Values(NamesCase{"two", "a.dll;lib\\b.dll", 2, {"a.dll", "lib\\b.dll"}},
                      NamesCase{"countCuts", "a;b;c", 2, {"a", "b"}},
                      NamesCase{"fewerNamesThanCount", "a", 3, {"a"}},
                      NamesCase{"emptyNameEnds", "a;;b", 3, {"a"}},
                      NamesCase{"trailingSeparator", "a;", 2, {"a"}},
                      NamesCase{"none", "", 1, {}}, NamesCase{"zeroCount", "a", 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct NameRule {
    const char* name;
    bool inside;
};

class StaysInsideTest : public ::testing::TestWithParam<NameRule> {};

TEST_P(StaysInsideTest, Decides) { EXPECT_EQ(GetParam().inside, staysInsideDirectory(GetParam().name)) << GetParam().name; }

INSTANTIATE_TEST_SUITE_P(
    Names, StaysInsideTest,
    ::testing::Values(NameRule{"a.dll", true}, NameRule{"lib\\b.dll", true}, NameRule{"a..b.dll", true},
                      NameRule{".hidden", true}, NameRule{"lib\\sub\\c.dll", true}, NameRule{"console.dll", true},
                      NameRule{"com10.txt", true}, NameRule{"C:\\windows\\x.dll", false}, NameRule{"C:x.dll", false},
                      NameRule{"\\windows\\x.dll", false}, NameRule{"\\\\server\\share\\x", false},
                      NameRule{"..\\x.dll", false}, NameRule{"lib\\..\\..\\x.dll", false}, NameRule{"../x.dll", false},
                      NameRule{"lib/../../x.dll", false}, NameRule{"..", false}, NameRule{".", false},
                      NameRule{"lib\\..", false}, NameRule{"... \\x", false}, NameRule{"lib\\\\x", false},
                      NameRule{"lib\\", false}, NameRule{"a.dll:stream", false}, NameRule{"", false},
                      NameRule{"nul", false}, NameRule{"CON.txt", false}, NameRule{"lib\\com1.dll", false},
                      NameRule{"LPT9", false}, NameRule{"aux .log", false}));

TEST(IncludedNames, FirstDirectoryLevel) {
    EXPECT_EQ("lib", firstDirectoryOf("lib\\b.dll"));
    EXPECT_EQ("lib", firstDirectoryOf("lib\\sub\\c.dll"));
    EXPECT_EQ("", firstDirectoryOf("a.dll"));
}

// A target that takes at most maxPerWrite bytes per call, or fails at failAt.
class Sink final : public ChunkSink {
public:
    bool write(const char* data, uint32_t n, uint32_t* written, uint32_t* systemError) override {
        ++calls;
        if (bytes.size() >= failAt) {
            *written = 0;
            *systemError = 112;
            return false;
        }
        *written = std::min(n, maxPerWrite);
        *systemError = 0;
        bytes.append(data, *written);
        return true;
    }
    std::string bytes;
    uint32_t maxPerWrite = 1u << 30;
    size_t failAt = static_cast<size_t>(-1);
    int calls = 0;
};

std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 3);
    return s;
}

std::string scrambled(std::string s) {
    block::scramble(s.data(), s.size());
    return s;
}

struct CopyRun {
    int result;
    std::vector<std::string> log;
};

CopyRun copy(const std::string& stored, int64_t size, Sink& sink, bool unscramble = true) {
    MemorySource source(stored);
    CopyRun run;
    run.result = copyUnscrambled(source, sink, size, unscramble, [&](const std::string& l) { run.log.push_back(l); });
    return run;
}

struct CopyCase {
    const char* name;
    size_t size;
};

class CopyTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyTest, UnscramblesEveryByteAcrossChunks) {
    const std::string plain = pattern(GetParam().size);
    Sink sink;
    CopyRun run = copy(scrambled(plain) + "tail", static_cast<int64_t>(plain.size()), sink);
    EXPECT_EQ(kCopied, run.result);
    EXPECT_EQ(plain, sink.bytes);
    EXPECT_TRUE(run.log.empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, CopyTest,
                         ::testing::Values(CopyCase{"oneByte", 1}, CopyCase{"chunkLessOne", kCopyChunk - 1},
                                           CopyCase{"oneChunk", kCopyChunk}, CopyCase{"chunkAndOne", kCopyChunk + 1},
                                           CopyCase{"severalChunks", 3 * kCopyChunk + 17}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Copy, WithoutUnscramblingTheBytesStayAsStored) {
    Sink sink;
    EXPECT_EQ(kCopied, copy("\x88\x01", 2, sink, false).result);
    EXPECT_EQ(std::string("\x88\x01"), sink.bytes);
}

TEST(Copy, ZeroAndNegativeSizesCopyNothing) {
    for (int64_t size : {int64_t(0), int64_t(-5)}) {
        Sink sink;
        EXPECT_EQ(kCopied, copy("abc", size, sink).result);
        EXPECT_EQ(0, sink.calls);
    }
}

TEST(Copy, ASizeBeyondTheDataIsAReadFailureAfterWhatThereWas) {
    Sink sink;
    CopyRun run = copy(scrambled(pattern(10000)), 20000, sink);
    EXPECT_EQ(kReadFailed, run.result);
    EXPECT_EQ(pattern(10000), sink.bytes);
    EXPECT_EQ(std::vector<std::string>{"ReadFile failed 0 0 10000"}, run.log);
}

TEST(Copy, PartialWritesAreRepeatedUntilTheChunkIsWritten) {
    // A whole chunk in eight writes, then the 808 bytes after it in one.
    const std::string plain = pattern(kCopyChunk + 808);
    Sink sink;
    sink.maxPerWrite = kCopyChunk / 8;
    EXPECT_EQ(kCopied, copy(scrambled(plain), static_cast<int64_t>(plain.size()), sink).result);
    EXPECT_EQ(plain, sink.bytes);
    EXPECT_EQ(9, sink.calls);
}

TEST(Copy, AFailedWriteIsAWriteFailure) {
    Sink sink;
    sink.maxPerWrite = 5000;
    sink.failAt = 5000;
    CopyRun run = copy(scrambled(pattern(8192)), 8192, sink);
    EXPECT_EQ(kWriteFailed, run.result);
    EXPECT_EQ(std::vector<std::string>{"WriteFile failed 3192 112"}, run.log);
}

}  // namespace
