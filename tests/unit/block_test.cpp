// The configuration block: what the builder writes, the launcher reads back.
#include <gtest/gtest.h>

#include <random>

#include "format/block.h"

namespace {

using block::BlockReader;
using block::Failure;
using block::RawBlock;

struct ReadOutcome {
    bool ok;
    Failure failure;
    RawBlock raw;
    uint64_t end;
    std::vector<std::string> log;
};

ReadOutcome readAll(const std::string& bytes) {
    MemorySource source(bytes);
    ReadOutcome out;
    BlockReader reader(source, [&](const std::string& line) { out.log.push_back(line); });
    out.ok = reader.readBlock(out.raw);
    out.failure = reader.failure();
    out.end = source.position();
    return out;
}

RawBlock randomBlock(std::mt19937& rng) {
    RawBlock raw;
    auto text = [&](size_t max) {
        std::string s(rng() % (max + 1), '\0');
        for (char& c : s) c = static_cast<char>(rng());
        return s;
    };
    auto wide = [&](size_t max) {
        std::u16string s(rng() % (max + 1), u'\0');
        for (char16_t& c : s) c = static_cast<char16_t>(rng());
        return s;
    };
    for (int i = rng() % 20; i > 0; --i) raw.narrow.push_back({static_cast<int32_t>(rng()), text(40)});
    for (int i = rng() % 10; i > 0; --i) raw.wide.push_back({static_cast<int32_t>(rng()), wide(40)});
    for (int i = rng() % 4; i > 0; --i) {
        block::LocalizedGroup group{text(6), {}};
        for (int k = rng() % 5; k > 0; --k) group.entries.push_back({static_cast<int32_t>(rng()), wide(20)});
        raw.groups.push_back(group);
    }
    raw.reserved1 = static_cast<int32_t>(rng());
    return raw;
}

TEST(Block, RandomBlocksSurviveTheRoundTrip) {
    std::mt19937 rng(12345);
    for (int i = 0; i < 300; ++i) {
        RawBlock raw = randomBlock(rng);
        const std::string bytes = block::encodeBlock(raw);
        ReadOutcome read = readAll(bytes + "trailing bytes are not read");
        ASSERT_TRUE(read.ok) << i;
        EXPECT_EQ(raw, read.raw);
        EXPECT_EQ(bytes.size(), read.end);
    }
}

TEST(Block, AnEmptyBlockIs32BytesAndDeclaresItsLength) {
    const std::string bytes = block::encodeBlock(RawBlock{});
    ASSERT_EQ(block::kEmptyBlockSize, bytes.size());
    EXPECT_EQ(std::string("\xd5\x13\xe4\xe8", 4), bytes.substr(0, 4));
    // Length from offset 12 to the end: the length field itself and three counts.
    EXPECT_EQ(std::string("\x14\0\0\0\0\0\0\0", 8), bytes.substr(12, 8));
    ReadOutcome read = readAll(bytes);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(32u, read.end);
}

TEST(Block, EmptyTextsAndWideTextsAreKept) {
    RawBlock raw;
    raw.narrow = {{5, ""}};
    raw.wide = {{6, u""}};
    ReadOutcome read = readAll(block::encodeBlock(raw));
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(raw, read.raw);
}

TEST(Block, AWrongMagicIsReported) {
    std::string bytes = block::encodeBlock(RawBlock{});
    bytes[3] = 0;
    ReadOutcome read = readAll(bytes);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(Failure::Magic, read.failure);
    EXPECT_STREQ("Internal Error: magic", block::failureText(read.failure));
}

TEST(Block, EveryTruncationFailsWithoutReadingPastTheEnd) {
    RawBlock raw;
    raw.narrow = {{107, "2"}, {122, "main.Class"}};
    raw.wide = {{1000, u"Fehler"}};
    raw.groups = {{"de", {{1000, u"Fehler"}}}};
    const std::string bytes = block::encodeBlock(raw);
    for (size_t keep = 0; keep < bytes.size(); ++keep) {
        ReadOutcome read = readAll(bytes.substr(0, keep));
        EXPECT_FALSE(read.ok) << keep;
        EXPECT_NE(Failure::None, read.failure) << keep;
        EXPECT_NE(Failure::Magic, read.failure) << keep;
        EXPECT_LE(read.end, keep);
    }
}

// Near the end of the data, where fewer bytes are left than the remaining
// entries could take, a cut still names the primitive that was reading there.
TEST(Block, ACutNearTheEndNamesThePrimitiveReadingThere) {
    RawBlock raw;
    raw.groups = {{"en", {{1000, u"E"}}}};
    const std::string bytes = block::encodeBlock(raw);  // 28 N3, 32 code length, 36 "en", 38 M, 42 id, 46 length, 50 "E"
    const struct {
        size_t keep;
        Failure expected;
    } cuts[] = {{34, Failure::ReadInt}, {37, Failure::ReadString}, {40, Failure::ReadInt},
                {44, Failure::ReadInt}, {48, Failure::ReadInt},   {51, Failure::ReadWString}};
    ASSERT_EQ(52u, bytes.size());
    for (const auto& cut : cuts) {
        ReadOutcome read = readAll(bytes.substr(0, cut.keep));
        EXPECT_FALSE(read.ok) << cut.keep;
        EXPECT_EQ(cut.expected, read.failure) << cut.keep;
    }
}

TEST(Block, ShortReadsLogTheSystemErrorAndByteCount) {
    ReadOutcome read = readAll(std::string("\xd5\x13", 2));
    ASSERT_EQ(1u, read.log.size());
    EXPECT_EQ("error 0 2\n", read.log[0]);
    EXPECT_EQ(Failure::ReadInt, read.failure);
}

// Byte counts that cannot fit in what is left are refused before anything is
// allocated for them; entry counts that cannot fit end at the end of the
// data, having kept no more entries than the bytes held.
struct Damage {
    const char* name;
    std::string tail;  // bytes after the 20-byte header
    Failure expected;
};

class DamagedCountTest : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedCountTest, IsRefused) {
    const std::string header = block::encodeBlock(RawBlock{}).substr(0, 20);
    ReadOutcome read = readAll(header + GetParam().tail);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(GetParam().expected, read.failure);
    size_t entries = read.raw.narrow.size() + read.raw.wide.size();
    for (const auto& group : read.raw.groups) entries += 1 + group.entries.size();
    EXPECT_LE(entries * 8, GetParam().tail.size());
}

std::string le32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

INSTANTIATE_TEST_SUITE_P(
    Counts, DamagedCountTest,
    ::testing::Values(Damage{"narrowCountMax", le32(0x7fffffff) + std::string(64, '\0'), Failure::ReadInt},
                      Damage{"wideCountMax", le32(0) + le32(0x7fffffff) + std::string(64, '\0'), Failure::ReadInt},
                      Damage{"groupCountMax", le32(0) + le32(0) + le32(0x7fffffff), Failure::ReadInt},
                      Damage{"byteCountMax", le32(1) + le32(7) + le32(0x7ffffff0) + "abc", Failure::ReadString},
                      Damage{"byteCountNegative", le32(1) + le32(7) + le32(0xffffffff) + "abc", Failure::ReadString},
                      Damage{"wideByteCountOdd", le32(0) + le32(1) + le32(7) + le32(3) + "abcd",
                             Failure::ReadWString},
                      Damage{"wideByteCountMax", le32(0) + le32(1) + le32(7) + le32(0x7ffffffe) + "ab",
                             Failure::ReadWString}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Block, NegativeCountsMeanNone) {
    const std::string header = block::encodeBlock(RawBlock{}).substr(0, 20);
    ReadOutcome read = readAll(header + le32(0xffffffff) + le32(0x80000000) + le32(0));
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(32u, read.end);
}

TEST(Trailer, PadsTheAppendedAreaTo3072BytesAfterTheReversedMagic) {
    const std::string trailer = block::noFilesTrailer(100);
    ASSERT_EQ(3072u - 100u, trailer.size());
    EXPECT_EQ(std::string("\xe8\xe4\x13\xd5", 4), trailer.substr(0, 4));
    EXPECT_EQ(std::string(trailer.size() - 4, '\0'), trailer.substr(4));
    // A block larger than the area still gets its reversed magic.
    EXPECT_EQ(4u, block::noFilesTrailer(5000).size());
}

// A minimal PE image: headers, a section table of S sections, the last one's
// data ending where the block starts.
std::string fakePe(int sections, uint32_t lastRawOffset, uint32_t lastRawSize, uint16_t optionalSize = 224) {
    const uint32_t e = 0x80;
    std::string pe(e + 24 + optionalSize + 40 * sections, '\0');
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) pe[at + i] = static_cast<char>(v >> (8 * i));
    };
    pe[0] = 'M';
    pe[1] = 'Z';
    put(0x3c, e, 4);
    put(e, 0x4550, 4);
    put(e + 6, sections, 2);
    put(e + 20, optionalSize, 2);
    const size_t last = e + 24 + optionalSize + 40 * (sections - 1);
    put(last + 16, lastRawSize, 4);
    put(last + 20, lastRawOffset, 4);
    pe.resize(lastRawOffset + lastRawSize, 'S');
    return pe;
}

TEST(LocateAppendedData, FollowsTheLastSectionHeader) {
    const std::string pe = fakePe(3, 0x600, 0x200);
    MemorySource source(pe + block::encodeBlock(RawBlock{}));
    std::vector<std::string> log;
    BlockReader reader(source, [&](const std::string& line) { log.push_back(line); });
    uint64_t offset = 0;
    ASSERT_TRUE(reader.locateAppendedData(&offset));
    EXPECT_EQ(0x800u, offset);
    EXPECT_EQ(0x800u, source.position());
    const std::vector<std::string> expected = {"number of sections: 3", "size of optional headers: 224",
                                               "resSectionTableStart: " + std::to_string(0x80 + 24 + 224 + 80),
                                               "rawDataSize: 512, rawDataOffset: 1536"};
    EXPECT_EQ(expected, log);
    RawBlock raw;
    EXPECT_TRUE(reader.readBlock(raw));
}

TEST(LocateAppendedData, AFileTooShortForItsHeadersFails) {
    MemorySource source(std::string(0x3e, 'M'));
    BlockReader reader(source, [](const std::string&) {});
    uint64_t offset;
    EXPECT_FALSE(reader.locateAppendedData(&offset));
    EXPECT_EQ(Failure::ReadInt, reader.failure());
}

}  // namespace
