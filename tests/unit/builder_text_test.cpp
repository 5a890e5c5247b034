// The rules the builder applies to the text it reads and writes: the one
// path rule for files a project names (on either system), and TOML quoting.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "builder/pe/version_info.h"
#include "builder/project/keys.h"
#include "builder/project/project.h"
#include "builder/project/project_paths.h"
#include "builder/project/text_codec.h"
#include "builder/project/toml_text.h"

namespace {

struct PathCase {
    PathStyle style;
    const char* path;
    const char* opened;  // below the project directory "proj"
};

const PathCase kPathCases[] = {
    {PathStyle::Posix, "a.dat", "proj/a.dat"},
    {PathStyle::Posix, "lib/a.dat", "proj/lib/a.dat"},
    {PathStyle::Posix, "/data/a.dat", "/data/a.dat"},
    {PathStyle::Posix, "C:\\data\\a.dat", "proj/C:\\data\\a.dat"},
    {PathStyle::Posix, "\\a.dat", "proj/\\a.dat"},
    {PathStyle::Windows, "a.dat", "proj/a.dat"},
    {PathStyle::Windows, "lib\\a.dat", "proj/lib\\a.dat"},
    {PathStyle::Windows, "C:\\data\\a.dat", "C:\\data\\a.dat"},
    {PathStyle::Windows, "c:/data/a.dat", "c:/data/a.dat"},
    {PathStyle::Windows, "\\\\server\\share\\a.dat", "\\\\server\\share\\a.dat"},
    {PathStyle::Windows, "\\a.dat", "\\a.dat"},
    {PathStyle::Windows, "/data/a.dat", "/data/a.dat"},
};

class PathRule : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathRule, AbsoluteStandsRelativeIsBelowTheProject) {
    const PathCase& c = GetParam();
    EXPECT_EQ(c.opened, projectFilePath("proj", c.path, c.style));
}

INSTANTIATE_TEST_SUITE_P(Builder, PathRule, ::testing::ValuesIn(kPathCases));

// Included files and resources take the same rule (the host's here).
TEST(PathRuleKeys, IncludedFilesAndResourcesAgree) {
    for (const char* path : {"a.dat", "/abs/a.dat", "C:\\abs\\a.dat"}) {
        BuildPlan plan;
        std::string error;
        const std::string text = std::string("[[files]]\nsource = '") + path + "'\n[resources]\nicon = '" + path + "'\n";
        ASSERT_TRUE(parseProject(text, "app.toml", "proj", plan, error)) << error;
        ASSERT_FALSE(plan.files.empty());
        EXPECT_EQ(projectFilePath("proj", path, hostPathStyle()), plan.files[0].source);
        EXPECT_EQ(plan.files[0].source, plan.resources.icon.at(0).path);
    }
}

TEST(PathRuleKeys, ProjectDirectory) {
    EXPECT_EQ("dir", projectDirectoryOf("dir/app.toml", PathStyle::Posix));
    EXPECT_EQ(".", projectDirectoryOf("dir\\app.toml", PathStyle::Posix));
    EXPECT_EQ("C:\\dir", projectDirectoryOf("C:\\dir\\app.toml", PathStyle::Windows));
    EXPECT_EQ(".", projectDirectoryOf("app.toml", PathStyle::Windows));
}

// The file URL a "#:schema" line names: "/" separators, the drive after a
// third slash, a server as the host, other bytes percent-encoded.
TEST(PathRuleKeys, FileUrl) {
    EXPECT_EQ("file:///opt/q%20b/x.json", fileUrl("/opt/q b/x.json", PathStyle::Posix));
    EXPECT_EQ("file:///opt/a%5Cb%C3%A9.json", fileUrl("/opt/a\\b\xc3\xa9.json", PathStyle::Posix));
    EXPECT_EQ("file:///C:/Program%20Files/Q/x.json", fileUrl("C:\\Program Files\\Q\\x.json", PathStyle::Windows));
    EXPECT_EQ("file://server/share/x%23y.json", fileUrl("\\\\server\\share\\x#y.json", PathStyle::Windows));
}

struct QuoteCase {
    const char* text;
    const char* quoted;
};

const QuoteCase kQuoteCases[] = {
    {"plain", "\"plain\""},
    {"say \"hi\"", "\"say \\\"hi\\\"\""},
    {"C:\\dir", "\"C:\\\\dir\""},
    {"a\tb\nc\rd", "\"a\\tb\\nc\\rd\""},
    {"bell\x07", "\"bell\\u0007\""},
    {"del\x7f", "\"del\\u007f\""},
    {"\x1b[0m", "\"\\u001b[0m\""},
    {"gr\xc3\xbc\xc3\x9f", "\"gr\xc3\xbc\xc3\x9f\""},
};

class TomlQuote : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(TomlQuote, EscapesQuotesBackslashesAndControls) { EXPECT_EQ(GetParam().quoted, tomlString(GetParam().text)); }

INSTANTIATE_TEST_SUITE_P(Builder, TomlQuote, ::testing::ValuesIn(kQuoteCases));

// A quoted text reads back as itself in a project file.
TEST(TomlQuoteRoundTrip, ReadsBackThroughTheProjectReader) {
    for (const QuoteCase& c : kQuoteCases) {
        BuildPlan plan;
        std::string error;
        ASSERT_TRUE(parseProject("[wide-entries]\n5 = " + tomlString(c.text) + "\n", "app.toml", "", plan, error))
            << error << " for " << c.quoted;
        ASSERT_EQ(1u, plan.block.wide.size());
        EXPECT_TRUE(utf8ToUtf16(c.text) == plan.block.wide[0].value) << c.quoted;
    }
    EXPECT_EQ("[\"a\", \"b\\\"\"]", tomlArray({"a", "b\""}));
    EXPECT_EQ("[]", tomlArray({}));
}

// Every key a suggestion can name is one the project reader takes.
TEST(KnownKeys, ComeFromTheKeyTables) {
    const std::vector<std::string>& known = knownProjectKeys();
    for (const KeyDef& def : keyTable())
        EXPECT_NE(known.end(), std::find(known.begin(), known.end(), std::string(def.table) + "." + def.name));
    for (const BuilderKey& key : builderKeyTable()) {
        const std::string qualified = *key.name ? std::string(key.table) + "." + key.name : key.table;
        EXPECT_NE(known.end(), std::find(known.begin(), known.end(), qualified)) << qualified;
    }
    EXPECT_EQ(keyTable().size() + messageTable().size() + builderKeyTable().size() + version::stringKeys().size(),
              known.size());
}

}  // namespace
