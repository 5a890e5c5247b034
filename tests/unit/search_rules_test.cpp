// Text rules of the JVM search.
#include <gtest/gtest.h>

#include "jvm/jvm_session.h"
#include "jvm/search_rules.h"

namespace {

TEST(SearchSequence, SplitsIntoTypedEntries) {
    const auto entries = parseSearchSequence(";;B.\\jre;Y;;EJAVA_HOME;EJDK_HOME;");
    ASSERT_EQ(4u, entries.size());
    EXPECT_EQ(LocationType::Bundled, entries[0].type);
    EXPECT_EQ('B', entries[0].letter);
    EXPECT_EQ(".\\jre", entries[0].location);
    EXPECT_EQ(LocationType::Registry, entries[1].type);
    EXPECT_EQ("", entries[1].location);
    EXPECT_EQ("JDK_HOME", entries[3].location);
    EXPECT_TRUE(parseSearchSequence("").empty());
}

struct Fallback {
    char type;
    const char* location;
    bool tried;
};

class FallbackTest : public ::testing::TestWithParam<Fallback> {};

TEST_P(FallbackTest, OnlyBOrRelativeAAndR) {
    EXPECT_EQ(GetParam().tried,
              triedInFallback({locationTypeOf(GetParam().type), GetParam().type, GetParam().location}));
}

INSTANTIATE_TEST_SUITE_P(Entries, FallbackTest,
                         ::testing::Values(Fallback{'A', "C:\\java\\jre", false}, Fallback{'B', "C:\\java\\jre", true},
                                           Fallback{'R', "\\\\server\\java", false}, Fallback{'A', ".\\jre", true},
                                           Fallback{'R', "jre", true}, Fallback{'A', "j", true},
                                           Fallback{'S', "x", false}, Fallback{'E', "JAVA_HOME", false},
                                           Fallback{'b', "jre", false}));

TEST(PathKeyName, ReplacesBackslashes) {
    EXPECT_EQ("jvms\\c:/jdk/bin/java.exe", pathKeyName("jvms\\", "c:\\jdk\\bin\\java.exe"));
    EXPECT_EQ("c:\\jdk\\bin\\java.exe", pathFromKeyName("c:/jdk/bin/java.exe"));
}

struct Derived {
    const char* executable;
    const char* bin;
    const char* home;
    const char* alternative;
};

class DerivedPathTest : public ::testing::TestWithParam<Derived> {};

TEST_P(DerivedPathTest, FromTheJavaExecutable) {
    EXPECT_EQ(GetParam().bin, binDirectoryOf(GetParam().executable));
    EXPECT_EQ(GetParam().home, javaHomeOfExecutable(GetParam().executable));
    EXPECT_EQ(GetParam().alternative, alternativeJavaExecutable(GetParam().executable));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DerivedPathTest,
    ::testing::Values(Derived{"c:\\jdk\\jre\\bin\\java.exe", "c:\\jdk\\jre\\bin", "c:\\jdk\\jre\\bin\\..",
                              "c:\\jdk\\jre\\bin\\..\\jre\\bin\\java.exe"},
                      Derived{"c:\\jdk\\jre\\bin\\javaw.exe", "c:\\jdk\\jre\\bin", "c:\\jdk\\jre\\bin\\..",
                              "c:\\jdk\\jre\\bin\\..\\jre\\bin\\java.exe"},
                      Derived{"c:\\jdk\\bin\\java.exe", "c:\\jdk\\bin", "c:\\jdk\\bin\\..",
                              "c:\\jdk\\bin\\..\\jre\\bin\\java.exe"}));

TEST(JvmDllCandidates, ConfiguredKindFirstThenTheFixedList) {
    const auto none = jvmDllCandidates("c:\\jdk\\bin", "");
    ASSERT_EQ(5u, none.size());
    EXPECT_EQ("c:\\jdk\\bin\\hotspot\\jvm.dll", none[0]);
    EXPECT_EQ("c:\\jdk\\bin\\jrockit\\jvm.dll", none[4]);
    const auto server = jvmDllCandidates("c:\\jdk\\bin", "server");
    ASSERT_EQ(6u, server.size());
    EXPECT_EQ("c:\\jdk\\bin\\server\\jvm.dll", server[0]);
    EXPECT_EQ("c:\\jdk\\bin\\server\\jvm.dll", server[3]);
}

TEST(Unpack, ArgumentsQuoteBothPaths) {
    EXPECT_EQ("-r \"c:\\jre\\lib\\rt.jar.pack\" \"c:\\jre\\lib\\rt.jar\"", unpackArguments("c:\\jre\\lib\\rt.jar.pack"));
    EXPECT_EQ("lib\\jsse.jar", packedArchives().back());
    EXPECT_EQ(6u, packedArchives().size());
}

}  // namespace
