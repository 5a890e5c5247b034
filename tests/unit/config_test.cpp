// The configuration tables and their accessors.
#include <gtest/gtest.h>

#include "config/config.h"

namespace {

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override { configTables() = ConfigTables{}; }
    void TearDown() override { configTables() = ConfigTables{}; }
    void load(const block::RawBlock& raw, const char* locale = nullptr) { applyBlock(raw, locale, configTables()); }
};

TEST_F(ConfigTest, MissingIdsAreEmptyOrZero) {
    EXPECT_EQ("", configString(122));
    EXPECT_EQ(0, configInt(122));
    EXPECT_EQ(0u, configColor(10114));
    EXPECT_EQ(u"", configWideString(1000));
    EXPECT_FALSE(hasWideString(1000));
}

TEST_F(ConfigTest, ALaterValueOfAnIdReplacesTheEarlier) {
    load({0, 0, {{122, "first"}, {122, "second"}}, {{7, u"a"}, {7, u"b"}}, {}});
    EXPECT_EQ("second", configString(122));
    EXPECT_EQ(u"b", configWideString(7));
}

struct IntCase {
    const char* text;
    int value;
};

class ConfigIntTest : public ConfigTest, public ::testing::WithParamInterface<IntCase> {};

TEST_P(ConfigIntTest, ReadsLikeAtoi) {
    load({0, 0, {{107, GetParam().text}}, {}, {}});
    EXPECT_EQ(GetParam().value, configInt(107));
}

INSTANTIATE_TEST_SUITE_P(Texts, ConfigIntTest,
                         ::testing::Values(IntCase{"12abc", 12}, IntCase{"-3", -3}, IntCase{"yes", 0},
                                           IntCase{"", 0}, IntCase{"  \t42", 42}, IntCase{"+7", 7},
                                           IntCase{"99999999999", 2147483647}, IntCase{"-99999999999", -2147483647 - 1},
                                           IntCase{"1 2", 1}));

struct ColorCase {
    const char* text;
    uint32_t value;
};

class ConfigColorTest : public ConfigTest, public ::testing::WithParamInterface<ColorCase> {};

TEST_P(ConfigColorTest, IsRedPlusGreenTimes256PlusBlueTimes65536) {
    load({0, 0, {{10114, GetParam().text}}, {}, {}});
    EXPECT_EQ(GetParam().value, configColor(10114));
}

INSTANTIATE_TEST_SUITE_P(Texts, ConfigColorTest,
                         ::testing::Values(ColorCase{"255,0,128", 0x8000ff}, ColorCase{"0,0,0", 0},
                                           ColorCase{"1,2,3", 0x030201}, ColorCase{"10", 10},
                                           ColorCase{"10,20", 0x140a}, ColorCase{"", 0},
                                           ColorCase{"300,-5,256", 0xff00ff}));

TEST_F(ConfigTest, MatchingLocalisedGroupsApplyInFileOrder) {
    block::RawBlock raw;
    raw.wide = {{1000, u"Error"}, {1007, u"Invalid"}};
    raw.groups = {{"de", {{1000, u"Fehler"}, {1007, u"Ungültig"}}},
                  {"fr", {{1000, u"Erreur"}}},
                  {"de_CH", {{1000, u"Fehler (CH)"}}}};
    load(raw, "de_CH");
    EXPECT_EQ(u"Fehler (CH)", configWideString(1000));
    EXPECT_EQ(u"Ungültig", configWideString(1007));
}

TEST_F(ConfigTest, GroupsDoNotApplyToOtherOrUnknownLocales) {
    block::RawBlock raw;
    raw.groups = {{"de", {{1000, u"Fehler"}}}, {"de_CH", {{1001, u"x"}}}};
    load(raw, "de");
    EXPECT_EQ(u"Fehler", configWideString(1000));
    EXPECT_FALSE(hasWideString(1001));  // "de_CH" is not a prefix of "de"
    configTables() = ConfigTables{};
    load(raw, nullptr);
    EXPECT_FALSE(hasWideString(1000));
}

TEST_F(ConfigTest, AnEmptyGroupCodeMatchesEveryLocale) {
    block::RawBlock raw;
    raw.groups = {{"", {{1000, u"any"}}}};
    load(raw, "ja_JP");
    EXPECT_EQ(u"any", configWideString(1000));
}

}  // namespace
