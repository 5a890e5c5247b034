// The archive cache's rules: its entry, which files go there, what a start
// makes of a cached copy, and which versions go; and the digest it rests on.
#include <gtest/gtest.h>

#include <cstring>

#include "files/archive_cache.h"
#include "format/sha256.h"

namespace {

const std::string kDigest(64, 'a');

TEST(Sha256, KnownDigestsInPiecesOfAnySize) {
    struct Case {
        std::string text;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases) {
        for (size_t piece : {size_t(1), size_t(63), size_t(64), size_t(1000)}) {
            Sha256 sha;
            for (size_t at = 0; at < c.text.size(); at += piece) sha.update(c.text.data() + at, std::min(piece, c.text.size() - at));
            EXPECT_EQ(c.digest, sha.finishHex()) << c.text.size() << " in pieces of " << piece;
        }
    }
}

TEST(CacheEntry, RoundTripsAndRefusesDamage) {
    const std::string text = kDigest + ":123;;" + std::string(64, '0') + ":0";
    auto back = parseCacheEntry(text, 3);
    ASSERT_TRUE(back);
    EXPECT_EQ(123u, (*back)[0].size);
    EXPECT_FALSE((*back)[1].cached());
    EXPECT_EQ(3u, parseCacheEntry("", 3)->size());  // no entry: all extracted
    for (const std::string& bad : std::vector<std::string>{text + ";", kDigest + ":1", kDigest.substr(1) + ":1;;", "x:1;;",
                                                           kDigest + ":-1;;", kDigest + ":;;", kDigest + "1;;",
                                                           std::string(64, 'A') + ":1;;"})
        EXPECT_FALSE(parseCacheEntry(bad, 3)) << bad;
}

TEST(CacheEntry, ClassPathArchivesOnly) {
    for (const char* name : {"app.jar", "LIB.ZIP", "user\\x.jar", "qarvo-runtime.jar"}) EXPECT_TRUE(isClassPathArchive(name)) << name;
    for (const char* name : {"lib\\x.jar", "helper.dll", "user\\data.txt", "jar", "a.jar.bak", "users\\x.jar"})
        EXPECT_FALSE(isClassPathArchive(name)) << name;
    EXPECT_EQ("x.jar", cachedFileName("user\\x.jar"));
    EXPECT_EQ(32u, versionFolderName(kDigest).size());
}

TEST(CachedFile, OnlyARightSizedMarkedCopyIsUsed) {
    const CacheRecord record{kDigest, 100};
    struct Case {
        CachedFacts facts;
        CachedState state;
    } cases[] = {
        {{true, 100, 7, true}, CachedState::Usable},
        {{false, 0, 0, false}, CachedState::Missing},
        {{true, 99, 7, true}, CachedState::WrongSize},  // truncated
        {{true, 101, 7, true}, CachedState::WrongSize},
        {{true, 100, 7, false}, CachedState::Unmarked},  // killed before the marker, or replaced since
    };
    for (const Case& c : cases) EXPECT_EQ(c.state, judgeCachedFile(record, c.facts));
    // The marker names the size and time of the complete file.
    EXPECT_EQ(".ok-100-0000000100000002", markerName(100, 0x100000002ull));
    EXPECT_NE(markerName(100, 1), markerName(100, 2));
}

TEST(Pruning, ByAgeAndBeyondTheNewestThreeButNeverThisStarts) {
    const uint64_t now = 400 * kDay;
    auto version = [](const char* folder, uint64_t lastUsed, std::vector<std::string> files) {
        return CacheVersion{folder, std::move(files), lastUsed};
    };
    const std::vector<CacheVersion> versions = {
        version("old", now - 31 * kDay, {"a.jar", ".ok-1-0"}),
        version("oldButMine", now - 90 * kDay, {"a.jar"}),
        version("v1", now - 1 * kDay, {"b.jar", ".ok-1-0"}),
        version("v2", now - 2 * kDay, {"b.jar"}),
        version("v3", now - 3 * kDay, {"b.jar"}),
        version("v4", now - 4 * kDay, {"b.jar", "b.jar.0011223344556677.tmp"}),
        version("other", now - 5 * kDay, {"c.jar"}),
    };
    EXPECT_EQ((std::vector<std::string>{"old", "v4"}), versionsToRemove(versions, {"oldButMine"}, now));
    // A version this start uses stays and counts among the three of its name.
    EXPECT_EQ((std::vector<std::string>{"old", "v3"}), versionsToRemove(versions, {"v4", "oldButMine"}, now));
}

}  // namespace
