// The names of extraction directories and the rules of the sweep that
// removes those of ended processes.
#include <gtest/gtest.h>

#include <set>

#include "files/leftovers.h"

namespace {

const std::string kA = "qvo0123456789abcdef.tmp";
const std::string kB = "qvofedcba9876543210.tmp";

TEST(OwnerFileName, IsThePrefixSixteenHexDigitsAndTmp) {
    EXPECT_EQ("qvo0000000000000000.tmp", ownerFileName(0));
    EXPECT_EQ(kA, ownerFileName(0x0123456789abcdefULL));
    EXPECT_EQ("qvoffffffffffffffff.tmp", ownerFileName(~0ULL));
}

TEST(MixUnique, CloseInputsGiveDifferentNames) {
    std::set<uint64_t> seen;
    for (uint64_t pid = 1; pid <= 64; ++pid)
        for (uint64_t tick = 0; tick < 64; ++tick) seen.insert(mixUnique(tick, pid, 0));
    EXPECT_EQ(64u * 64u, seen.size());
    EXPECT_NE(mixUnique(1, 2, 3), mixUnique(1, 2, 4));
}

struct OwnerCase {
    const char* name;
    bool directory;
    const char* owner;  // "" when the entry is not ours
};

TEST(OwnerOf, OnlyTheCurrentFormIsOurs) {
    const OwnerCase cases[] = {
        {"qvo0123456789abcdef.tmp", false, "qvo0123456789abcdef.tmp"},
        {"qvo0123456789abcdef.tmp_dir", true, "qvo0123456789abcdef.tmp"},
        {"qvo0123456789abcdef.tmp_dir", false, ""},   // a file of the directory's name
        {"qvo0123456789abcdef.tmp", true, ""},        // a directory of the file's name
        {"qvo0123456789ABCDEF.tmp", false, ""},       // not as we write it
        {"qvoA1B2.tmp", false, ""},                   // the older four-digit form
        {"qvoa1b2.tmp_dir", true, ""},
        {"qvo0123456789abcde.tmp_dir", true, ""},     // 15 digits
        {"qvo0123456789abcdef0.tmp", false, ""},      // 17 digits
        {"qvo0123456789abcdeg.tmp", false, ""},
        {"qvo_p1234.tmp", false, ""},
        {"qvo_w_testdir", true, ""},
        {"qvo_bridge_12_34.status", false, ""},
        {"mvt_nlog_1.log", false, ""},
        {"abc0123456789abcdef.tmp", false, ""},
        {"qvo0123456789abcdef.tmp_dirx", true, ""},
    };
    for (const OwnerCase& c : cases) {
        const std::optional<std::string> owner = ownerOf({c.name, c.directory});
        EXPECT_EQ(std::string(c.owner), owner.value_or("")) << c.name << (c.directory ? " (directory)" : "");
    }
}

// A temporary directory in memory: held owner files cannot be taken.
class MemoryPlace : public SweepPlace {
public:
    std::vector<TempEntry> entries;
    std::set<std::string> held;
    std::vector<std::string> removed, released;

    std::vector<TempEntry> list() override { return entries; }
    bool take(const std::string& owner) override { return !held.count(owner); }
    void removeTree(const std::string& directory) override { removed.push_back(directory); }
    void release(const std::string& owner) override { released.push_back(owner); }
};

struct SweepCase {
    const char* what;
    std::vector<TempEntry> entries;
    std::set<std::string> held;
    std::string own;
    std::vector<std::string> removed, released;
};

TEST(SweepLeftovers, FreesTheNamesOfEndedProcessesOnly) {
    const std::string dirA = kA + "_dir", dirB = kB + "_dir";
    const SweepCase cases[] = {
        {"ended: file and directory", {{kA, false}, {dirA, true}}, {}, "", {dirA}, {kA}},
        {"alive: its file is held", {{kA, false}, {dirA, true}}, {kA}, "", {}, {}},
        {"killed: the directory without its file", {{dirA, true}}, {}, "", {dirA}, {kA}},
        {"ended before its directory was made", {{kA, false}}, {}, "", {dirA}, {kA}},
        {"the own names are never swept", {{kA, false}, {dirA, true}}, {}, kA, {}, {}},
        {"one alive, one ended", {{kA, false}, {dirA, true}, {kB, false}, {dirB, true}}, {kA}, "", {dirB}, {kB}},
        {"older forms and other programs stay",
         {{"qvoA1B2.tmp", false}, {"qvoA1B2.tmp_dir", true}, {"qvo_p12.tmp", false}, {"other", true}},
         {}, "", {}, {}},
    };
    for (const SweepCase& c : cases) {
        MemoryPlace place;
        place.entries = c.entries;
        place.held = c.held;
        EXPECT_EQ(static_cast<int>(c.released.size()), sweepLeftovers(place, c.own)) << c.what;
        EXPECT_EQ(c.removed, place.removed) << c.what;
        EXPECT_EQ(c.released, place.released) << c.what;
    }
}

}  // namespace
