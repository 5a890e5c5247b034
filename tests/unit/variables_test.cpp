// Expansion of launcher variables and environment references.
#include <gtest/gtest.h>

#include "launch/variables.h"

namespace {

struct ExpandCase {
    const char* name;
    std::string text;
    std::vector<std::string> environment;
    std::string expected;
};

const VariableValues kValues{"c:\\apps\\tool\\", "C:\\Temp\\qvo1.tmp_dir", "c:\\jdk\\jre\\bin\\.."};

class ExpandTest : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandTest, Expands) {
    std::string text = GetParam().text;
    expandVariablesWith(text, kValues, GetParam().environment, nullptr);
    EXPECT_EQ(GetParam().expected, text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpandTest,
    ::testing::Values(
        ExpandCase{"exeDirJoinsWithOneBackslash", "%QARVO_EXEDIR%lib", {}, "c:\\apps\\tool\\lib"},
        ExpandCase{"allPredefinedForms",
                   "%MORVANTIC_EXEDIR%|%QARVO_TEMPDIR%|%MORVANTIC_TEMPDIR%|%QARVO_PATHLIST_SEPARATOR%|"
                   "%MORVANTIC_PATHLIST_SEPARATOR%|%QARVO_JVM_HOME%|%MORVANTIC_JVM_HOME%",
                   {},
                   "c:\\apps\\tool\\|C:\\Temp\\qvo1.tmp_dir|C:\\Temp\\qvo1.tmp_dir|;|;|c:\\jdk\\jre\\bin\\..|"
                   "c:\\jdk\\jre\\bin\\.."},
        ExpandCase{"braceForms",
                   "${QARVO_EXEDIR}${MORVANTIC_EXEDIR}${QARVO_TEMPDIR}${MORVANTIC_TEMPDIR}${QARVO_PATHLIST_SEPARATOR}"
                   "${MORVANTIC_PATHLIST_SEPARATOR}${QARVO_JVM_HOME}${MORVANTIC_JVM_HOME}",
                   {},
                   "c:\\apps\\tool\\c:\\apps\\tool\\C:\\Temp\\qvo1.tmp_dirC:\\Temp\\qvo1.tmp_dir;;c:\\jdk\\jre\\bin\\.."
                   "c:\\jdk\\jre\\bin\\.."},
        ExpandCase{"launcherForms",
                   "${launcher:sys.launcherDirectory} ${launcher:sys.launcherTempDirectory} "
                   "${launcher:sys.pathlistSeparator} ${launcher:sys.jvmHome}",
                   {},
                   "c:\\apps\\tool\\ C:\\Temp\\qvo1.tmp_dir ; c:\\jdk\\jre\\bin\\.."},
        ExpandCase{"exactAndUpperCaseEnvironmentKeys", "${Path} ${PATH} ${path}", {"Path=C:\\bin"},
                   "C:\\bin C:\\bin ${path}"},
        ExpandCase{"environmentHasNoPercentForm", "${HOME} %HOME%", {"HOME=C:\\home"}, "C:\\home %HOME%"},
        ExpandCase{"sameKeyTwice", "${A}-${A}", {"A=x"}, "x-x"},
        ExpandCase{"predefinedBeforeEnvironment", "${QARVO_EXEDIR}", {"QARVO_EXEDIR=wrong"}, "c:\\apps\\tool\\"},
        ExpandCase{"laterEntriesSeeEarlierValues", "${A}", {"A=${B}", "B=b"}, "b"},
        ExpandCase{"earlierEntriesDoNotSeeLaterValues", "${B}", {"A=a", "B=${A}"}, "${A}"},
        ExpandCase{"entriesWithoutEqualsAreSkipped", "${X}", {"X", "Y=1"}, "${X}"},
        ExpandCase{"lowerCaseKeysAreCaseSensitive", "%qarvo_exedir%", {}, "%qarvo_exedir%"},
        ExpandCase{"valueHoldingItsOwnKeyIsInsertedOnce", "${A}", {"A=<${A}>"}, "<${A}>"},
        ExpandCase{"longTextsGrow", std::string(9000, 'x') + "${A}", {"A=" + std::string(9000, 'y')},
                   std::string(9000, 'x') + std::string(9000, 'y')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Expand, MutuallyReferringValuesStopAtTheSizeLimit) {
    // Each entry doubles the text: unbounded, this would need 2^40 bytes.
    std::vector<std::string> environment;
    for (int i = 0; i < 40; ++i) environment.push_back("A=${A}${A}");
    std::string text = "${A}";
    EXPECT_FALSE(expandVariablesWith(text, kValues, environment, nullptr));
    EXPECT_LE(text.size(), kMaxExpandedLength);
    EXPECT_GT(text.size(), kMaxExpandedLength / 4);
    std::string plain = "-Dx=${A}";
    EXPECT_TRUE(expandVariablesWith(plain, kValues, {"A=1"}, nullptr));
}

TEST(Expand, EmptyValuesBeforeTheyAreKnown) {
    std::string text = "[%QARVO_JVM_HOME%][${QARVO_TEMPDIR}]";
    expandVariablesWith(text, VariableValues{"c:\\x\\", "", ""}, {}, nullptr);
    EXPECT_EQ("[][]", text);
}

TEST(Expand, OneLogLinePerReplacementAndNoneWithoutKeys) {
    std::vector<std::string> lines;
    ExpansionLog log = [&](const std::string& key, const std::string& value, const std::string& text) {
        lines.push_back(key + "|" + value + "|" + text);
    };
    std::string text = "-Da=%QARVO_EXEDIR% -Db=%QARVO_EXEDIR%";
    expandVariablesWith(text, kValues, {}, log);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("%QARVO_EXEDIR%|c:\\apps\\tool\\|-Da=c:\\apps\\tool\\ -Db=%QARVO_EXEDIR%", lines[0]);
    lines.clear();
    std::string plain = "-Xmx64m ${undefined} %PATH%";
    expandVariablesWith(plain, kValues, {"OTHER=1"}, log);
    EXPECT_EQ("-Xmx64m ${undefined} %PATH%", plain);
    EXPECT_TRUE(lines.empty());
}

// A text the quick test passes over must be one that expansion leaves as it
// is, whatever the environment holds.
TEST(Expand, TextsWithoutAnOpeningNeedNoValues) {
    const std::vector<std::string> environment{"HOME=h", "QARVO_EXEDIR=e", "A=a"};
    for (const std::string text : {"", "c:\\apps\\lib", "$HOME", "{A}", "$ {A}", "QARVO_EXEDIR$"}) {
        EXPECT_FALSE(mayHoldVariables(text)) << text;
        std::string expanded = text;
        expandVariablesWith(expanded, kValues, environment, nullptr);
        EXPECT_EQ(text, expanded);
    }
    for (const std::string text : {"%", "${", "x${A}", "%QARVO_EXEDIR%"}) EXPECT_TRUE(mayHoldVariables(text)) << text;
}

}  // namespace
