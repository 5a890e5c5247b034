// The launcher's own splitting rules for command lines and configured texts.
#include <gtest/gtest.h>

#include "config/args.h"

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

}  // namespace
