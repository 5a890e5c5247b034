// Path string rules.
#include <gtest/gtest.h>

#include "files/paths.h"

namespace {

struct RelativeCase {
    const char16_t* path;
    bool relative;
};

class RelativeTest : public ::testing::TestWithParam<RelativeCase> {};

TEST_P(RelativeTest, Classifies) {
    EXPECT_EQ(GetParam().relative, isRelativePath(std::u16string_view(GetParam().path)));
}

INSTANTIATE_TEST_SUITE_P(Paths, RelativeTest,
                         ::testing::Values(RelativeCase{u"C:\\x", false}, RelativeCase{u"\\\\srv\\x", false},
                                           RelativeCase{u"\\x", true}, RelativeCase{u"C:x", true},
                                           RelativeCase{u"ab", true}, RelativeCase{u"\"C:\\x", false},
                                           RelativeCase{u"\"C:", true}, RelativeCase{u"", true},
                                           RelativeCase{u"C:/x", true}, RelativeCase{u"lib\\a.jar", true}));

struct Rewrite {
    const char16_t* in;
    const char16_t* out;
};

class CollapseTest : public ::testing::TestWithParam<Rewrite> {};

TEST_P(CollapseTest, DropsDoubledBackslashes) {
    std::u16string path = GetParam().in;
    collapseBackslashes(path);
    EXPECT_EQ(std::u16string(GetParam().out), path);
}

INSTANTIATE_TEST_SUITE_P(Paths, CollapseTest,
                         ::testing::Values(Rewrite{u"C:\\a\\\\b", u"C:\\a\\b"}, Rewrite{u"\\\\server\\share", u"\\\\server\\share"},
                                           Rewrite{u"\\\\\\\\srv\\\\x", u"\\\\srv\\x"}, Rewrite{u"a\\\\\\b\\", u"a\\b\\"},
                                           Rewrite{u"", u""}));

class FullPathTest : public ::testing::TestWithParam<Rewrite> {};

TEST_P(FullPathTest, ResolvesDotComponents) { EXPECT_EQ(std::u16string(GetParam().out), fullPathOf(GetParam().in)); }

INSTANTIATE_TEST_SUITE_P(Paths, FullPathTest,
                         ::testing::Values(Rewrite{u"C:\\App\\Bin\\..\\data", u"C:\\App\\data"},
                                           Rewrite{u"C:\\a\\.\\b\\", u"C:\\a\\b\\"}, Rewrite{u"C:\\..\\..\\x", u"C:\\x"},
                                           Rewrite{u"c:/java/bin", u"c:\\java\\bin"}, Rewrite{u"C:\\", u"C:\\"},
                                           Rewrite{u"\\\\srv\\share\\a\\..\\..\\b", u"\\\\srv\\share\\b"}));

TEST(MakeAbsolute, RelativePathsJoinTheExecutableDirectory) {
    EXPECT_EQ(u"C:\\app\\lib\\a.jar", absoluteIn(u"lib\\a.jar", u"C:\\app\\"));
    EXPECT_EQ(u"D:\\x\\y", absoluteIn(u"D:\\x\\\\y", u"C:\\app\\"));
    EXPECT_EQ(u"C:\\app\\x", absoluteIn(u"\\x", u"C:\\app\\"));
}

struct ResolveCase {
    const char16_t* path;
    bool keepCase;
    const char16_t* out;
};

class ResolveTest : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveTest, AgainstTheExecutableDirectory) {
    EXPECT_EQ(std::u16string(GetParam().out), resolveAgainst(GetParam().path, u"C:\\App\\Bin\\", GetParam().keepCase));
}

INSTANTIATE_TEST_SUITE_P(Paths, ResolveTest,
                         ::testing::Values(ResolveCase{u"..\\data", false, u"c:\\app\\data"},
                                           ResolveCase{u"..\\Data", true, u"C:\\App\\Data"},
                                           ResolveCase{u".", true, u"C:\\App\\Bin"},
                                           ResolveCase{u"D:\\Other\\\\Dir", false, u"d:\\other\\dir"},
                                           ResolveCase{u"Work\\Ü", false, u"c:\\app\\bin\\work\\Ü"}));

TEST(DirectoryOf, CutsTheLastComponent) {
    EXPECT_EQ(u"C:\\app\\", directoryOf(u"C:\\app\\run.exe"));
    EXPECT_EQ(u"", directoryOf(u"run.exe"));
}

TEST(DriveRoot, TheThreeSpellingsCount) {
    for (const char16_t* p : {u"C:\\", u"z:\\.", u"D:\\.\\."}) EXPECT_TRUE(isDriveRoot(p));
    for (const char16_t* p : {u"C:", u"C:\\x", u"1:\\", u"C:\\.\\"}) EXPECT_FALSE(isDriveRoot(p));
}

}  // namespace
