// Java version texts: banners of real runtimes and the limit rules.
#include <gtest/gtest.h>

#include "jvm/versions.h"

namespace {

struct Banner {
    const char* name;
    const char* output;
    const char* version;  // nullptr: none
};

class BannerTest : public ::testing::TestWithParam<Banner> {};

TEST_P(BannerTest, YieldsTheQuotedVersion) {
    auto version = versionFromBanner(GetParam().output);
    if (GetParam().version == nullptr) {
        EXPECT_FALSE(version.has_value()) << *version;
    } else {
        ASSERT_TRUE(version.has_value());
        EXPECT_EQ(GetParam().version, *version);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runtimes, BannerTest,
    ::testing::Values(
        Banner{"java8", "java version \"1.8.0_401\"\r\nJava(TM) SE Runtime Environment (build 1.8.0_401-b10)\r\n",
               "1.8.0_401"},
        Banner{"openjdk17", "openjdk version \"17.0.15\" 2025-04-15\nOpenJDK Runtime Environment (build 17.0.15+6)\n",
               "17.0.15"},
        Banner{"openjdk11", "openjdk version \"11.0.22\" 2024-01-16\n", "11.0.22"},
        Banner{"oracle21", "java version \"21.0.2\" 2024-01-16 LTS\nJava(TM) SE Runtime Environment\n", "21.0.2"},
        Banner{"earlyAccess", "openjdk version \"25-ea\" 2025-09-16\n", "25-ea"},
        Banner{"openj9", "openjdk version \"11.0.22\" 2024-01-16\nIBM Semeru Runtime Open Edition\nEclipse OpenJ9 VM\n",
               "11.0.22"},
        Banner{"graal", "java version \"21.0.2\" 2024-01-16 LTS\nJava(TM) SE Runtime Environment Oracle GraalVM 21.0.2\n",
               "21.0.2"},
        Banner{"old", "java version \"1.6.0_20\"\n", "1.6.0_20"},
        Banner{"pickedUpFirst", "Picked up _JAVA_OPTIONS: -Xmx512m\nPicked up JAVA_TOOL_OPTIONS: -Dx=1\n"
                                "openjdk version \"17.0.15\" 2025-04-15\n", "17.0.15"},
        Banner{"noQuoteEnd", "openjdk version \"17.0.15\n", nullptr}, Banner{"garbage", "Error: no JVM\n", nullptr},
        Banner{"empty", "", nullptr}, Banner{"indented", "  java version \"1.8.0\"\n", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

struct Limit {
    const char* version;
    const char* minimum;
    const char* maximum;
    bool allowed;
};

class LimitTest : public ::testing::TestWithParam<Limit> {};

TEST_P(LimitTest, ComparesAsNumbers) {
    EXPECT_EQ(GetParam().allowed, versionWithinLimits(GetParam().version, GetParam().minimum, GetParam().maximum))
        << GetParam().version << " in [" << GetParam().minimum << ", " << GetParam().maximum << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Versions, LimitTest,
    ::testing::Values(Limit{"17.0.15", "", "", true}, Limit{"1.6.0_20", "1.6", "", true},
                      Limit{"1.5.0_22", "1.6", "", false}, Limit{"10.0.1", "1.6", "", true},
                      Limit{"1.10.0", "1.6", "", true}, Limit{"1.6.0_45", "", "1.6", true},
                      Limit{"1.7.0", "", "1.6", false}, Limit{"6.0.1", "", "6", true},
                      Limit{"1.6.0_9", "1.6.0_10", "", false}, Limit{"1.6.0_10", "1.6.0_10", "", true},
                      Limit{"1.6", "1.6.0_10", "", false}, Limit{"9", "11", "", false},
                      Limit{"17.0.15", "1.8", "", true}, Limit{"11", "", "1.8", false},
                      Limit{"1.8.0_401", "8", "1.8", true}, Limit{"21.0.2", "17", "21", true},
                      Limit{"25-ea", "21", "", true}, Limit{"25", "", "21", false},
                      Limit{"11.0.22", "11.0.3", "", true}, Limit{"17.0.15+6", "17.0.15", "17.0", true}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(VersionNameInRange, ComparesOverTheShorterLength) {
    EXPECT_TRUE(versionNameInRange("1.6", "1.6.0_10", ""));
    EXPECT_TRUE(versionNameInRange("1.5.0_22", "1.5", ""));
    EXPECT_FALSE(versionNameInRange("1.4", "1.5", ""));
    EXPECT_TRUE(versionNameInRange("1.8", "", "1.8.0_20"));
    EXPECT_FALSE(versionNameInRange("11", "", "1.8"));
    EXPECT_TRUE(versionNameInRange("17", "11", ""));
    EXPECT_TRUE(versionNameInRange("anything", "", ""));
}

TEST(CompareVersions, OrdersNumerically) {
    EXPECT_LT(compareVersions("1.6.0_9", "1.6.0_10"), 0);
    EXPECT_LT(compareVersions("9", "11"), 0);
    EXPECT_GT(compareVersions("17.0.15", "1.8.0_401"), 0);
    EXPECT_EQ(compareVersions("1.8", "8"), 0);
    EXPECT_LT(compareVersions("1.6", "1.6.0_20"), 0);
    EXPECT_EQ(compareVersions("", ""), 0);
    EXPECT_GT(compareVersions("1.6", ""), 0);
}

TEST(VersionComponents, DropTheOldLeadingOne) {
    EXPECT_EQ((std::vector<long long>{8, 0, 401}), versionComponents("1.8.0_401"));
    EXPECT_EQ((std::vector<long long>{1, 1}), versionComponents("1.1"));
    EXPECT_EQ((std::vector<long long>{25}), versionComponents("25-ea"));
    EXPECT_EQ((std::vector<long long>{6, 0}), versionComponents("1.6.0-beta2"));
    EXPECT_EQ((std::vector<long long>{}), versionComponents("ea"));
}

TEST(PreRelease, FindsTheMarkersAnywhere) {
    for (const char* v : {"1.7.0-ea", "1.6.0-beta2", "1.5.0-rc", "25-ea", "1.8.0-release"}) EXPECT_TRUE(isPreRelease(v)) << v;
    for (const char* v : {"17.0.15", "1.8.0_401", "21.0.2+13-LTS"}) EXPECT_FALSE(isPreRelease(v)) << v;
}

}  // namespace
