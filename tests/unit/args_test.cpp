// The launcher's own splitting rules for command lines and configured texts.
#include <gtest/gtest.h>

#include "config/args.h"
#include "windows_command_lines.h"

namespace {

struct SplitCase {
    const char16_t* text;
    std::vector<std::u16string> args;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, Splits) {
    ArgumentList out;
    ASSERT_TRUE(splitArgumentText(GetParam().text, out));
    EXPECT_EQ(GetParam().args, out);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitTest,
    ::testing::Values(SplitCase{u"", {}}, SplitCase{u"   ", {}}, SplitCase{u"a  b", {u"a", u"b"}},
                      SplitCase{u"a\"b c\"d e", {u"ab c", u"d", u"e"}},
                      SplitCase{u"x=\"a b\"", {u"x=a b"}}, SplitCase{u"\"a b\"c", {u"a b", u"c"}},
                      SplitCase{u"'say \"hi\"' \"it's\"", {u"say \"hi\"", u"it's"}},
                      SplitCase{u"\"\" ''", {u"", u""}}, SplitCase{u"a\tb c", {u"a\tb", u"c"}},
                      SplitCase{u"C:\\dir\\ x\\\"y z\"", {u"C:\\dir\\", u"x\\y z"}},
                      SplitCase{u"\"C:\\Program Files\\app.exe\" -create-qvo-log last",
                                {u"C:\\Program Files\\app.exe", u"-create-qvo-log", u"last"}},
                      SplitCase{u"  lead trail  ", {u"lead", u"trail"}},
                      SplitCase{u"\"a\"  b", {u"a", u"b"}}, SplitCase{u"ü 日本", {u"ü", u"日本"}}));

TEST(Split, AnUnclosedQuoteFails) {
    for (const char16_t* text : {u"a \"b", u"'", u"x \"y\" 'z", u"\"ok\" \"again"}) {
        ArgumentList out;
        EXPECT_FALSE(splitArgumentText(text, out));
    }
}

TEST(LogSwitch, OnlyTheFourSpellings) {
    for (const char16_t* s : {u"-create-mvt-log", u"-create-qvo-log", u"/create-mvt-log", u"/create-qvo-log"})
        EXPECT_TRUE(isLogSwitch(s));
    for (const char16_t* s : {u"-CREATE-QVO-LOG", u"-create-qvo-log ", u"create-qvo-log", u""})
        EXPECT_FALSE(isLogSwitch(s));
}

class WindowsRulesTest : public ::testing::TestWithParam<WindowsCommandLine> {};

TEST_P(WindowsRulesTest, SplitAsTheCRuntimeDoes) {
    ArgumentList out;
    ASSERT_TRUE(splitProcessCommandLine(GetParam().line, CommandLineRules::Windows, out));
    EXPECT_EQ(GetParam().argv, out);
}

// What callers of CreateProcess write splits back into the same vector.
TEST_P(WindowsRulesTest, QuotedArgumentsSplitBack) {
    const ArgumentList& argv = GetParam().argv;
    std::u16string line = u"app.exe";
    for (size_t i = 1; i < argv.size(); ++i) line += u" " + quoteWindowsArgument(argv[i]);
    ArgumentList out;
    splitProcessCommandLine(line, CommandLineRules::Windows, out);
    out[0] = argv[0];
    EXPECT_EQ(argv, out) << std::string(line.begin(), line.end());
}

INSTANTIATE_TEST_SUITE_P(Table, WindowsRulesTest, ::testing::ValuesIn(windowsCommandLines()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WindowsRules, QuotingLeavesPlainArgumentsAlone) {
    EXPECT_EQ(u"C:\\x\\", quoteWindowsArgument(u"C:\\x\\"));
    EXPECT_EQ(u"\"C:\\Program Files\\x\\\\\"", quoteWindowsArgument(u"C:\\Program Files\\x\\"));
    EXPECT_EQ(u"\"\"", quoteWindowsArgument(u""));
    EXPECT_EQ(u"\"a\\\\\\\"b\"", quoteWindowsArgument(u"a\\\"b"));
}

TEST(WindowsRules, TheClassicRulesStayForOldExecutables) {
    ArgumentList out;
    ASSERT_TRUE(splitProcessCommandLine(u"app.exe 'a b' a\tb", CommandLineRules::Classic, out));
    EXPECT_EQ((ArgumentList{u"app.exe", u"a b", u"a\tb"}), out);
    EXPECT_FALSE(splitProcessCommandLine(u"app.exe -Dx=it's", CommandLineRules::Classic, out));
}

TEST(LogSwitch, TakenBeforeTheConfigurationOnlyWhenBothRulesAgree) {
    EXPECT_TRUE(logSwitchUnderBothRules(u"\"C:\\my app\\app.exe\" -create-qvo-log 'x"));
    EXPECT_TRUE(logSwitchUnderBothRules(u"app.exe /create-mvt-log"));
    EXPECT_FALSE(logSwitchUnderBothRules(u"app.exe\t-create-qvo-log"));    // a tab: classic keeps one word
    EXPECT_FALSE(logSwitchUnderBothRules(u"app.exe '-create-qvo-log'"));    // quotes only classic drops
    EXPECT_FALSE(logSwitchUnderBothRules(u"app.exe x -create-qvo-log"));
}

}  // namespace
