// The configuration tables and their accessors.
#include <gtest/gtest.h>

#include "config/config.h"
#include "config/launch_config.h"
#include "format/config_ids.h"

namespace {

class ConfigTest : public ::testing::Test {
protected:
    void load(const block::RawBlock& raw, const char* locale = nullptr) { applyBlock(raw, locale, tables); }
    ConfigTables tables;
};

TEST_F(ConfigTest, MissingIdsAreEmptyOrZero) {
    EXPECT_EQ("", configString(tables, 122));
    EXPECT_EQ(0, configInt(tables, 122));
    EXPECT_EQ(0u, configColor(tables, 10114));
    EXPECT_EQ(u"", configWideString(tables, 1000));
    EXPECT_FALSE(hasWideString(tables, 1000));
}

TEST_F(ConfigTest, ALaterValueOfAnIdReplacesTheEarlier) {
    load({0, 0, {{122, "first"}, {122, "second"}}, {{7, u"a"}, {7, u"b"}}, {}});
    EXPECT_EQ("second", configString(tables, 122));
    EXPECT_EQ(u"b", configWideString(tables, 7));
}

struct IntCase {
    const char* text;
    int value;
};

class ConfigIntTest : public ConfigTest, public ::testing::WithParamInterface<IntCase> {};

TEST_P(ConfigIntTest, ReadsLikeAtoi) {
    load({0, 0, {{107, GetParam().text}}, {}, {}});
    EXPECT_EQ(GetParam().value, configInt(tables, 107));
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
    EXPECT_EQ(GetParam().value, configColor(tables, 10114));
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
    EXPECT_EQ(u"Fehler (CH)", configWideString(tables, 1000));
    EXPECT_EQ(u"Ungültig", configWideString(tables, 1007));
}

TEST_F(ConfigTest, GroupsDoNotApplyToOtherOrUnknownLocales) {
    block::RawBlock raw;
    raw.groups = {{"de", {{1000, u"Fehler"}}}, {"de_CH", {{1001, u"x"}}}};
    load(raw, "de");
    EXPECT_EQ(u"Fehler", configWideString(tables, 1000));
    EXPECT_FALSE(hasWideString(tables, 1001));  // "de_CH" is not a prefix of "de"
    tables = ConfigTables{};
    load(raw, nullptr);
    EXPECT_FALSE(hasWideString(tables, 1000));
}

TEST_F(ConfigTest, AnEmptyGroupCodeMatchesEveryLocale) {
    block::RawBlock raw;
    raw.groups = {{"", {{1000, u"any"}}}};
    load(raw, "ja_JP");
    EXPECT_EQ(u"any", configWideString(tables, 1000));
}

// What the stages see of the tables: each meaning worked out once.
struct TypeCase {
    const char* type;
    bool windowed, boxes;
};

class LaunchConfigTypeTest : public ConfigTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(LaunchConfigTypeTest, TheExecutableTypeDecidesWindowAndJavaw) {
    load({0, 0, {{ConfigId::ExecutableType, GetParam().type}}, {}, {}});
    const LaunchConfig c = readLaunchConfig(tables, [](const std::string& p) { return p; });
    EXPECT_EQ(GetParam().windowed, c.windowed());
    EXPECT_EQ(GetParam().boxes, c.showsMessageBoxes());
    EXPECT_EQ(GetParam().windowed, c.java.windowed);
    EXPECT_EQ(GetParam().windowed, c.application.windowed);
    EXPECT_EQ(!GetParam().windowed, c.splash.hasConsole);
}

INSTANTIATE_TEST_SUITE_P(Types, LaunchConfigTypeTest,
                         ::testing::Values(TypeCase{"1", true, true}, TypeCase{"2", false, false},
                                           TypeCase{"5", false, true}, TypeCase{"", false, false}));

TEST_F(ConfigTest, TheLaunchConfigHasEachStagesPartReadOnce) {
    load({0,
          0,
          {{ConfigId::ProductKind, "qarvo"},
           {ConfigId::AppRoot, "app"},
           {ConfigId::SearchSequence, "Bjre;;Y;"},
           {ConfigId::AllowBeta, "1"},
           {ConfigId::StdoutFile, "out.txt"},
           {ConfigId::RedirectStdout, "1"},
           {ConfigId::SplashText2Color, "1,2,3"},
           {1005, "narrow"},
           {1007, "narrow too"}},
          {{1007, u"wide"}},
          {}});
    tables.endPosition = 4096;
    int resolved = 0;
    const LaunchConfig c = readLaunchConfig(tables, [&](const std::string& p) {
        ++resolved;
        return "C:\\base\\" + p;
    });
    EXPECT_EQ(1, resolved);
    EXPECT_EQ('q', c.productKind);
    EXPECT_EQ("C:\\base\\app", c.java.applicationRoot);
    EXPECT_EQ(c.java.applicationRoot, c.application.applicationRoot);
    ASSERT_EQ(2u, c.java.entries.size());
    EXPECT_EQ(LocationType::Bundled, c.java.entries[0].type);
    EXPECT_EQ(LocationType::Registry, c.java.entries[1].type);
    EXPECT_TRUE(c.java.betaAllowed);
    EXPECT_TRUE(c.application.standardOutput.enabled);
    EXPECT_EQ("out.txt", c.application.standardOutput.file);
    EXPECT_FALSE(c.application.errorOutput.enabled);
    EXPECT_EQ(0x030201u, c.splash.second.color);
    EXPECT_EQ(4096u, c.included.position);
    EXPECT_EQ("narrow", c.messages.text(1005).narrowText);
    EXPECT_FALSE(c.messages.text(1005).wide);
    EXPECT_TRUE(c.messages.text(1007).wide);  // the wide table wins
    EXPECT_EQ(u"wide", c.messages.text(1007).wideText);
    EXPECT_EQ("", c.messages.text(1010).narrowText);
}

}  // namespace
